// Vendor and extension queries of the current OpenGL implementation.
#include "zev_ogl/ExtensionManager.h"

#include <epoxy/gl.h>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/Platform.h"

namespace ZEV::OGL {

namespace {

constexpr const char* kSource = "zev_ogl/ExtensionManager";

bool contains(const std::string& text, const char* word) {
    return text.find(word) != std::string::npos;
}

std::string glString(GLenum name) {
    const auto* text = reinterpret_cast<const char*>(glGetString(name));
    return text ? text : "";
}

}  // namespace

ExtensionManager* ExtensionManager::Instance() {
    static ExtensionManager instance;
    return &instance;
}

void ExtensionManager::query() const {
    if (queried_) return;
    if (!Platform::currentGLContext())
        throwAt<InternalException>(kSource, __LINE__,
                                   "no OpenGL context is current to query extensions");
    vendorString_ = glString(GL_VENDOR);
    rendererString_ = glString(GL_RENDERER);
    if (contains(vendorString_, "NVIDIA"))
        vendor_ = VENDOR_NVIDIA;
    else if (contains(vendorString_, "ATI") || contains(vendorString_, "AMD"))
        vendor_ = VENDOR_ATI;
    else if (contains(vendorString_, "Intel"))
        vendor_ = VENDOR_INTEL;
    else if (contains(vendorString_, "Mesa") || contains(rendererString_, "llvmpipe"))
        vendor_ = VENDOR_MESA;

    const int version = epoxy_gl_version();
    supported_[EXT_FRAMEBUFFER_OBJECT] = epoxy_has_gl_extension("GL_EXT_framebuffer_object") ||
                                         epoxy_has_gl_extension("GL_ARB_framebuffer_object");
    supported_[ARB_TEXTURE_FLOAT] = version >= 30 || epoxy_has_gl_extension("GL_ARB_texture_float");
    supported_[ARB_TEXTURE_RECTANGLE] =
        version >= 31 || epoxy_has_gl_extension("GL_ARB_texture_rectangle");
    supported_[ARB_SHADING_LANGUAGE_100] =
        version >= 20 || epoxy_has_gl_extension("GL_ARB_shading_language_100");
    supported_[OPENGL_2_0] = version >= 20;
    supported_[ARB_HALF_FLOAT_PIXEL] =
        version >= 30 || epoxy_has_gl_extension("GL_ARB_half_float_pixel");
    supported_[ARB_TEXTURE_NON_POWER_OF_TWO] =
        epoxy_has_gl_extension("GL_ARB_texture_non_power_of_two");
    queried_ = true;
}

ExtensionManager::teVendor ExtensionManager::vendor() const {
    if (vendorOverridden_) return vendorOverride_;
    query();
    return vendor_;
}

bool ExtensionManager::isSupported(teExtension extension) const {
    const auto overridden = supportOverrides_.find(extension);
    if (overridden != supportOverrides_.end()) return overridden->second;
    query();
    const auto found = supported_.find(extension);
    return found != supported_.end() && found->second;
}

std::string ExtensionManager::vendorString() const {
    query();
    return vendorString_;
}

std::string ExtensionManager::rendererString() const {
    query();
    return rendererString_;
}

void ExtensionManager::overrideSupport(teExtension extension, bool supported) {
    supportOverrides_[extension] = supported;
}

void ExtensionManager::overrideVendor(teVendor vendor) {
    vendorOverridden_ = true;
    vendorOverride_ = vendor;
}

void ExtensionManager::clearOverrides() {
    supportOverrides_.clear();
    vendorOverridden_ = false;
}

}  // namespace ZEV::OGL
