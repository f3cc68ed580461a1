#pragma once
#include "Msg.h"
#include "../core/Msg.h"
