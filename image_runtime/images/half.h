// The 16-bit float used by the half-float pixel formats. The class lives in
// zev_core, with all its operations; this header is where image code finds it.
#pragma once

#include "zev_core/half.h"
