// The 16-bit float used by the half-float pixel formats. The class is
// declared in zev_core, next to the conversion tables it reads inline; this
// header is where image code finds it.
#pragma once

#include "zev_core/half.h"
