// What the current OpenGL implementation offers: its vendor and the
// extensions the runtime asks about, with overrides for tests and hosts.
#pragma once

#include <map>
#include <string>

#include "zev_core/Export.h"

namespace ZEV::OGL {

/// Process-wide and not thread-safe: ask and override from one thread.
class ZEV_API ExtensionManager {
public:
    /// Value 2 is the vendor whose drivers report OpenGL 2.0 without full
    /// non-power-of-two texture support: for it only the explicit extension counts.
    enum teVendor : int {
        VENDOR_UNKNOWN = 0,
        VENDOR_NVIDIA = 1,
        VENDOR_ATI = 2,
        VENDOR_INTEL = 3,
        VENDOR_MESA = 4
    };
    /// Value 4 is core OpenGL 2.0, which includes non-power-of-two textures;
    /// value 51 is the explicit ARB_texture_non_power_of_two extension.
    enum teExtension : int {
        EXT_FRAMEBUFFER_OBJECT = 0,
        ARB_TEXTURE_FLOAT = 1,
        ARB_TEXTURE_RECTANGLE = 2,
        ARB_SHADING_LANGUAGE_100 = 3,
        OPENGL_2_0 = 4,
        ARB_HALF_FLOAT_PIXEL = 5,
        ARB_TEXTURE_NON_POWER_OF_TWO = 51
    };

    /// The one manager, made at the first call and never deleted.
    static ExtensionManager* Instance();

    /// The first of these calls reads the context current then and keeps the
    /// answer for the life of the process, whatever context is current later;
    /// without a current context it throws InternalException. An override
    /// answers without reading anything.
    ///@{
    teVendor vendor() const;
    bool isSupported(teExtension extension) const;
    std::string vendorString() const;
    std::string rendererString() const;
    ///@}

    /// Answers for one extension, or for the vendor, in place of the context's
    /// until clearOverrides(); for tests, and for hosts that know better.
    ///@{
    void overrideSupport(teExtension extension, bool supported);
    void overrideVendor(teVendor vendor);
    ///@}
    void clearOverrides();

private:
    ExtensionManager() = default;
    void query() const;

    mutable bool queried_ = false;
    mutable teVendor vendor_ = VENDOR_UNKNOWN;
    mutable std::map<teExtension, bool> supported_;
    mutable std::string vendorString_;
    mutable std::string rendererString_;
    std::map<teExtension, bool> supportOverrides_;
    bool vendorOverridden_ = false;
    teVendor vendorOverride_ = VENDOR_UNKNOWN;
};

}  // namespace ZEV::OGL
