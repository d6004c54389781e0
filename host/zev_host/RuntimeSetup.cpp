// RuntimeSetup forwards to the private Create/Destroy of the singletons.
#include "zev_host/RuntimeSetup.h"
