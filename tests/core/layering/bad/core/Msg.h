#pragma once
#include "StationCore.h"
