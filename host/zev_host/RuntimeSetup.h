// The framework's set-up code outside the runtime library: the one friend
// through which a host creates and destroys the runtime's singletons.
#pragma once

#include "zev_core/Export.h"

namespace ZEV {

class ZEV_API RuntimeSetup {
public:
    RuntimeSetup() = delete;

    // The shader manager: create before the first proxy is locked; destroy
    // after every proxy is gone.
    static void createShaderManager();
    static void destroyShaderManager();
};

}  // namespace ZEV
