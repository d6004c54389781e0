// The texture pool: acquisition, return, eviction, clearing and the singleton.
#include "image_runtime/TexturePool.h"

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <sstream>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/Context.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/Framebuffer.h"
#include "zev_ogl/Platform.h"

namespace ZEV {

namespace {

constexpr const char* kSource = "image_runtime/TexturePool";

using InternalFormat = OGL::Texture::InternalFormat;

// A texture's byte count as the pool's counter sees it: the int widened with its sign.
size_t bytesOf(const OGL::Texture* texture) {
    return static_cast<size_t>(static_cast<int64_t>(texture->sizeInBytes()));
}

// First fit from the front, exact match only. Rectangle textures do not
// compare the depth.
template <class TextureType>
TextureType* takeFirstMatch(TextureFreeList<TextureType>& list, size_t& poolSize, size_t width,
                            size_t height, size_t depth, bool compareDepth, InternalFormat format) {
    for (auto it = list.begin(); it != list.end(); ++it) {
        const TextureType* texture = *it;
        if (texture->width(0) == width && texture->height(0) == height &&
            (!compareDepth || texture->depth(0) == depth) && texture->format() == format) {
            poolSize -= bytesOf(texture);
            return list.take(it);
        }
    }
    return nullptr;
}

template <class TextureType>
void giveBack(TextureFreeList<TextureType>& list, size_t& poolSize, TextureType* texture) {
    list.pushBack(texture);
    poolSize += bytesOf(texture);
}

// Deletes the front texture of a list; returns its bytes, 0 when the list is empty.
template <class TextureType>
size_t evictFront(TextureFreeList<TextureType>& list, size_t& poolSize) {
    if (list.empty()) return 0;
    TextureType* texture = list.front();
    const size_t bytes = bytesOf(texture);
    poolSize -= bytes;
    delete texture;
    list.popFront();
    return bytes;
}

template <class TextureType>
void deleteAll(TextureFreeList<TextureType>& list, size_t& poolSize) {
    for (TextureType* texture : list) {
        poolSize -= bytesOf(texture);
        delete texture;
    }
    list.clear();
}

template <class TextureType>
size_t totalBytes(const TextureFreeList<TextureType>& list) {
    size_t total = 0;
    for (const TextureType* texture : list) total += bytesOf(texture);
    return total;
}

}  // namespace

TexturePool* TexturePool::gpInstance_ = nullptr;

TexturePool::Configuration::Configuration()
    : nMaximumFreelistSize_(VideoMemory::kDefaultMaximumPoolSize),
      pVideoMemoryListener_(VideoMemory::Configuration::GlobalDefaultListener()) {}

void TexturePool::Configuration::setVideoMemoryListener(
    VideoMemory::VideoMemoryListener* listener) {
    pVideoMemoryListener_ =
        listener ? listener : VideoMemory::Configuration::GlobalDefaultListener();
}

TexturePool::TexturePool(const Configuration& configuration)
    : nMaximumPoolSize_(configuration.maximumFreelistSize()),
      pVideoMemoryListener_(configuration.videoMemoryListener()),
      pContext_(configuration.context()),
      pFramebufferContext_(Platform::currentGLContext()) {
    if (pFramebufferContext_ == nullptr)
        throwAt<InternalException>(kSource, __LINE__, "Enforce gc != NULL");
    nFramebufferID_ = OGL::Framebuffer::generate();
    try {
        const OGL::ExtensionManager* extensions = OGL::ExtensionManager::Instance();
        // The one vendor whose OpenGL 2.0 does not imply non-power-of-two
        // textures counts only the explicit extension.
        if (extensions->vendor() == OGL::ExtensionManager::VENDOR_ATI)
            bNonPowerOfTwoSupported_ =
                extensions->isSupported(OGL::ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO);
        else
            bNonPowerOfTwoSupported_ =
                extensions->isSupported(OGL::ExtensionManager::ARB_TEXTURE_NON_POWER_OF_TWO) ||
                extensions->isSupported(OGL::ExtensionManager::OPENGL_2_0);
    } catch (...) {
        OGL::Framebuffer::destroy(nFramebufferID_);
        throw;
    }
    bReuseLargerTextures_ = !bNonPowerOfTwoSupported_;
}

// Destroy() has already cleared the lists in pContext_. Anything left here
// means that clearing failed (no pContext_, or it could not be made
// current): those textures are deleted in the current context, as eviction
// does, rather than leaked. The framebuffer object belongs to the context
// that was current at construction, so it is deleted only when that context
// is current again; otherwise it goes with that context.
TexturePool::~TexturePool() {
    const void* current = Platform::currentGLContext();
    if (current == nullptr) return;
    deleteAllInCurrentContext();
    if (current == pFramebufferContext_) OGL::Framebuffer::destroy(nFramebufferID_);
}

void TexturePool::Create(const Configuration& configuration) {
    if (gpInstance_ != nullptr) throwAt<InternalException>(kSource, __LINE__, "gpInstance_ == 0");
    gpInstance_ = new TexturePool(configuration);
    if (gpInstance_ == nullptr)
        throwAt<InternalException>(kSource, __LINE__, "Enforce gpInstance_ != NULL");
}

TexturePool* TexturePool::Instance() {
    if (gpInstance_ == nullptr)
        throwAt<InternalException>(kSource, __LINE__, "Enforce gpInstance_ != NULL");
    return gpInstance_;
}

// The pool is unregistered before anything can fail, so gpInstance_ never
// points at a destroyed pool. When clearAll() fails (for instance "pContext_"),
// the pool is still destroyed, its free textures deleted in the current
// context by the destructor, and the exception then reaches the caller.
void TexturePool::Destroy() {
    if (gpInstance_ == nullptr) throwAt<InternalException>(kSource, __LINE__, "gpInstance_ != 0");
    TexturePool* const pool = gpInstance_;
    gpInstance_ = nullptr;
    try {
        pool->clearAll();
    } catch (...) {
        delete pool;
        throw;
    }
    delete pool;
}

unsigned int TexturePool::nextPowerOfTwo(unsigned int n) {
    if (n == 0) return 0;
    uint32_t m = n - 1;
    m |= m >> 1;
    m |= m >> 2;
    m |= m >> 4;
    m |= m >> 8;
    m |= m >> 16;
    return m + 1;
}

void TexturePool::prepareOpenGLContext() {
    if (pContext_ == nullptr) throwAt<InternalException>(kSource, __LINE__, "pContext_");
    pContext_->makeCurrent();
}

OGL::Texture1D* TexturePool::getTexture1DFromPool(unsigned int width, InternalFormat format) {
    if (bReuseLargerTextures_) width = nextPowerOfTwo(width);
    if (auto* found = takeFirstMatch(oFreeList1D_, nCurrentPoolSize_, width, 1, 1, true, format))
        return found;
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    return new OGL::Texture1D(format, width, false);
}

OGL::Texture3D* TexturePool::getTexture3DFromPool(unsigned int width, unsigned int height,
                                                  unsigned int depth, InternalFormat format) {
    if (bReuseLargerTextures_) {
        width = nextPowerOfTwo(width);
        height = nextPowerOfTwo(height);
        depth = nextPowerOfTwo(depth);
    }
    if (auto* found =
            takeFirstMatch(oFreeList3D_, nCurrentPoolSize_, width, height, depth, true, format))
        return found;
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    return new OGL::Texture3D(format, width, height, depth, false);
}

OGL::TextureRECT* TexturePool::getTextureRECTFromPool(unsigned int width, unsigned int height,
                                                      InternalFormat format) {
    if (auto* found =
            takeFirstMatch(oFreeListRECT_, nCurrentPoolSize_, width, height, 1, false, format))
        return found;
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    return new OGL::TextureRECT(format, width, height);
}

OGL::Texture2D* TexturePool::getTexture2DFromPool(unsigned int width, unsigned int height,
                                                  InternalFormat format) {
    const unsigned int W = bReuseLargerTextures_ ? nextPowerOfTwo(width) : width;
    const unsigned int H = bReuseLargerTextures_ ? nextPowerOfTwo(height) : height;
    OGL::Texture2D* texture =
        takeFirstMatch(oFreeList2D_, nCurrentPoolSize_, W, H, 1, true, format);
    if (texture != nullptr) {
        resetWrapModes(texture);
    } else {
        // The wrapper outlives the new texture's holder, so a texture whose
        // memoryAllocated notification throws is deleted in pContext_.
        const OGL::ScopedContextWrapper wrapper;
        pVideoMemoryListener_->impendingMemoryAllcation(OGL::Texture::SizeInBytes(format, W, H, 1));
        prepareOpenGLContext();
        std::unique_ptr<OGL::Texture2D> created(new OGL::Texture2D(format, W, H, false));
        if (!created) throwAt<InternalException>(kSource, __LINE__, "ret != 0");
        pVideoMemoryListener_->memoryAllocated(bytesOf(created.get()));
        texture = created.release();
    }
    if (W != width || H != height) clearEnlargedTexture(texture, W, H);
    return texture;
}

void TexturePool::resetWrapModes(OGL::Texture2D* texture) {
    const unsigned int previous = texture->getBoundID();
    glBindTexture(GL_TEXTURE_2D, texture->objectID());
    texture->setWrap(OGL::Texture::WRAP_CLAMP_TO_EDGE, OGL::Texture::WRAP_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_2D, previous);
}

// Clears in the caller's context through the pool's framebuffer object. On
// an incomplete framebuffer the caller's binding is restored (viewport and
// clear colour are not touched yet) and the texture goes back to the free
// list, which keeps the listener's accounting whole, before the throw.
void TexturePool::clearEnlargedTexture(OGL::Texture2D* texture, unsigned int width,
                                       unsigned int height) {
    const unsigned int previousFramebuffer = OGL::Framebuffer::currentBinding();
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    GLfloat clearColor[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);

    // Not every driver shares framebuffer objects within a share group: the
    // pool's own serves the context that created the pool, and any other
    // context clears through a temporary framebuffer object of its own.
    struct TemporaryFramebuffer {
        unsigned int name = 0;
        ~TemporaryFramebuffer() {
            if (name != 0) OGL::Framebuffer::destroy(name);
        }
    } temporary;
    unsigned int framebuffer = nFramebufferID_;
    if (Platform::currentGLContext() != pFramebufferContext_)
        framebuffer = temporary.name = OGL::Framebuffer::generate();

    OGL::Framebuffer::bind(framebuffer);
    OGL::Framebuffer::attachTexture2D(texture->objectID());
    const unsigned int status = OGL::Framebuffer::status();
    if (status != OGL::Framebuffer::COMPLETE) {
        OGL::Framebuffer::bind(previousFramebuffer);
        returnTexture2DToPool(texture);
        std::ostringstream message;
        if (status == OGL::Framebuffer::UNSUPPORTED)
            message << "Invalid framebuffer due to wrong render target format (attached texture "
                       "wrong format)";
        else
            message << "Invalid framebuffer due to programming error.";
        throwAt<InternalException>(kSource, __LINE__, message.str());
    }
    glViewport(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);

    OGL::Framebuffer::bind(previousFramebuffer);
    glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}

void TexturePool::returnTexture1DToPool(OGL::Texture1D* texture) {
    giveBack(oFreeList1D_, nCurrentPoolSize_, texture);
    enforceMaximumPoolSize();
}

void TexturePool::returnTexture2DToPool(OGL::Texture2D* texture) {
    giveBack(oFreeList2D_, nCurrentPoolSize_, texture);
    enforceMaximumPoolSize();
}

void TexturePool::returnTexture3DToPool(OGL::Texture3D* texture) {
    giveBack(oFreeList3D_, nCurrentPoolSize_, texture);
    enforceMaximumPoolSize();
}

void TexturePool::returnTextureRECTToPool(OGL::TextureRECT* texture) {
    giveBack(oFreeListRECT_, nCurrentPoolSize_, texture);
    enforceMaximumPoolSize();
}

void TexturePool::setMaximumPoolSize(size_t bytes) {
    nMaximumPoolSize_ = bytes;
    enforceMaximumPoolSize();
}

// Each pass deletes the earliest given-back texture of every kind, whatever
// their sizes, and only then compares with the low-water mark.
void TexturePool::enforceMaximumPoolSize() {
    if (nCurrentPoolSize_ < nMaximumPoolSize_) return;
    // Three quarters rounded down, without overflowing 3 * limit.
    const size_t target =
        nMaximumPoolSize_ - (nMaximumPoolSize_ / 4 + (nMaximumPoolSize_ % 4 != 0));
    if (nCurrentPoolSize_ <= target) return;
    for (;;) {
        if (oFreeList1D_.empty() && oFreeList2D_.empty() && oFreeList3D_.empty() &&
            oFreeListRECT_.empty())
            throwAt<InternalException>(
                kSource, __LINE__,
                "oFreeList1D_.size() != 0 || oFreeList2D_.size() != 0 || oFreeList3D_.size() != 0 "
                "|| oFreeListRECT_.size() != 0");
        evictFront(oFreeList1D_, nCurrentPoolSize_);
        const size_t freed = evictFront(oFreeList2D_, nCurrentPoolSize_);
        pVideoMemoryListener_->memoryFreed(freed);
        evictFront(oFreeList3D_, nCurrentPoolSize_);
        evictFront(oFreeListRECT_, nCurrentPoolSize_);
        if (nCurrentPoolSize_ <= target) return;
    }
}

void TexturePool::clear1DPool() {
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    deleteAll(oFreeList1D_, nCurrentPoolSize_);
}

void TexturePool::clear2DPool() {
    const size_t freed = totalBytes(oFreeList2D_);
    {
        const OGL::ScopedContextWrapper wrapper;
        prepareOpenGLContext();
        deleteAll(oFreeList2D_, nCurrentPoolSize_);
    }
    pVideoMemoryListener_->memoryFreed(freed);
}

void TexturePool::clear3DPool() {
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    deleteAll(oFreeList3D_, nCurrentPoolSize_);
}

void TexturePool::clearRECTPool() {
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    deleteAll(oFreeListRECT_, nCurrentPoolSize_);
}

void TexturePool::clearAll() {
    clear1DPool();
    clear2DPool();
    clear3DPool();
    clearRECTPool();
}

void TexturePool::deleteAllInCurrentContext() {
    deleteAll(oFreeList1D_, nCurrentPoolSize_);
    deleteAll(oFreeList2D_, nCurrentPoolSize_);
    deleteAll(oFreeList3D_, nCurrentPoolSize_);
    deleteAll(oFreeListRECT_, nCurrentPoolSize_);
}

}  // namespace ZEV
