#pragma once
// The wait cursor moved to the bottom layer, where every layer may use it.
#include "base/WaitCursor.h"
