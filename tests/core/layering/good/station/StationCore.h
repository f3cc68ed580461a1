#pragma once
#include "../core/Msg.h"
#include "Msg.h"
