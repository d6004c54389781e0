// The filtering log stream lives in zev_core beside the rest of Logging;
// hosts that include it from here keep working.
#pragma once

#include "zev_core/FilteringStream.h"
