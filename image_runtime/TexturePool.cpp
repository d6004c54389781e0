// The texture pool: acquisition, return, eviction, clearing and the singleton.
#include "image_runtime/TexturePool.h"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <type_traits>
#include <unordered_set>

#include "image_runtime/TextureOrigins.h"
#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"
#include "zev_ogl/Context.h"
#include "zev_ogl/ExtensionManager.h"
#include "zev_ogl/FramebufferObject.h"
#include "zev_ogl/Platform.h"
#include "zev_ogl/ScopedBinding.h"
#include "zev_ogl/ScopedState.h"

namespace ZEV {

namespace {

constexpr const char* kSource = "image_runtime/TexturePool";

using InternalFormat = OGL::Texture::InternalFormat;

#if defined(ZEV_CHECK_INVARIANTS) || !defined(NDEBUG)
constexpr bool kCheckInvariants = true;
#else
constexpr bool kCheckInvariants = false;
#endif

// The counts of the one pool, kept here so that the class keeps its layout.
TexturePoolStatistics gStatistics;

template <class TextureType>
TexturePoolStatistics::Requests& requestsOf() {
    if constexpr (std::is_same_v<TextureType, OGL::Texture1D>) return gStatistics.texture1D;
    if constexpr (std::is_same_v<TextureType, OGL::Texture2D>) return gStatistics.texture2D;
    if constexpr (std::is_same_v<TextureType, OGL::Texture3D>) return gStatistics.texture3D;
    if constexpr (std::is_same_v<TextureType, OGL::TextureRECT>) return gStatistics.textureRECT;
}

// A texture's byte count as the pool's counter sees it: the int widened with its sign.
size_t bytesOf(const OGL::Texture* texture) {
    return static_cast<size_t>(static_cast<int64_t>(texture->sizeInBytes()));
}

template <class TextureType>
size_t totalBytes(const TextureFreeList<TextureType>& list) {
    size_t total = 0;
    list.forEach([&](const TextureType& texture) { total += bytesOf(&texture); });
    return total;
}

// Sizes of 0 (also those that a power of two above 2^31 wrapped to) make
// textures without texels that the byte limit could never evict.
void requireTexels(int line, unsigned int width, unsigned int height, unsigned int depth) {
    if (width == 0 || height == 0 || depth == 0)
        throwAt<ParameterException>(kSource, line,
                                    "texture sizes must be at least 1, and at most 2^31 where "
                                    "they are rounded up to powers of two");
}

}  // namespace

class TexturePool::InvariantCheck {
public:
    explicit InvariantCheck(const TexturePool& pool) : pool_(pool) {}
    ~InvariantCheck() {
        if constexpr (kCheckInvariants) pool_.validate();
    }
    InvariantCheck(const InvariantCheck&) = delete;
    InvariantCheck& operator=(const InvariantCheck&) = delete;

private:
    const TexturePool& pool_;
};

void TexturePool::validate() const {
    std::ostringstream problems;
    const size_t listed = totalBytes(oFreeList1D_) + totalBytes(oFreeList2D_) +
                          totalBytes(oFreeList3D_) + totalBytes(oFreeListRECT_);
    if (listed != nCurrentPoolSize_)
        problems << "the free lists hold " << listed << " bytes, the counter says "
                 << nCurrentPoolSize_ << ". ";
    std::unordered_set<unsigned int> names;
    const auto unique = [&](const OGL::Texture& texture) {
        if (!names.insert(texture.objectID()).second)
            problems << "texture " << texture.objectID() << " is listed twice. ";
    };
    oFreeList1D_.forEach(unique);
    oFreeList2D_.forEach(unique);
    oFreeList3D_.forEach(unique);
    oFreeListRECT_.forEach(unique);
    if (!oFreeList1D_.consistent() || !oFreeList2D_.consistent() || !oFreeList3D_.consistent() ||
        !oFreeListRECT_.consistent())
        problems << "a free list's order and index disagree. ";
    if (problems.tellp() == 0) return;
    std::cerr << kSource << ": texture pool invariant broken: " << problems.str() << std::endl;
    std::abort();
}

template <class TextureType>
TextureType* TexturePool::takeOut(TextureFreeList<TextureType>& list, size_t width, size_t height,
                                  size_t depth, InternalFormat format) {
    std::unique_ptr<TextureType> texture =
        list.takeFirst(TextureFreeList<TextureType>::makeKey(width, height, depth, format));
    TexturePoolStatistics::Requests& requests = requestsOf<TextureType>();
    if (texture) {
        nCurrentPoolSize_ -= bytesOf(texture.get());
        ++requests.hits;
    } else {
        ++requests.misses;
    }
    return texture.release();
}

template <class TextureType>
TextureType* TexturePool::record(TextureType* texture) {
    detail::recordOrigin(texture, pShareGroup_);
    return texture;
}

template <class TextureType>
void TexturePool::giveBack(TextureFreeList<TextureType>& list, TextureType* texture, int line) {
    if (list.contains(texture))
        throwAt<ParameterException>(kSource, line,
                                    "the texture is already in the free list: given back twice");
    if (detail::isOrphan(texture)) {
        detail::disposeOutsidePool(std::unique_ptr<OGL::Texture>(texture));
        return;
    }
    list.pushBack(std::unique_ptr<TextureType>(texture));
    nCurrentPoolSize_ += bytesOf(texture);
    enforceMaximumPoolSize();
    gStatistics.peakFreeListBytes = std::max(gStatistics.peakFreeListBytes, nCurrentPoolSize_);
}

// Deletes the front texture of a list, adds its bytes to freed and returns
// the number of textures deleted (0 or 1).
template <class TextureType>
size_t TexturePool::evictFront(TextureFreeList<TextureType>& list, size_t& freed) {
    const std::unique_ptr<TextureType> texture = list.popFront();
    if (!texture) return 0;
    const size_t bytes = bytesOf(texture.get());
    nCurrentPoolSize_ -= bytes;
    freed += bytes;
    detail::forgetOrigin(texture.get());
    return 1;
}

template <class TextureType>
void TexturePool::deleteAll(TextureFreeList<TextureType>& list) {
    size_t freed = 0;
    while (!list.empty()) evictFront(list, freed);
}

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
    // Owned here until nothing can fail any more; nFramebufferID_ then
    // keeps the bare name, and the destructor deletes it.
    OGL::FramebufferObject framebuffer;
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
    pShareGroup_ = std::make_shared<detail::ShareGroup>();
    bReuseLargerTextures_ = !bNonPowerOfTwoSupported_;
    gStatistics = TexturePoolStatistics();
    nFramebufferID_ = framebuffer.release();
}

// Destroy() has already cleared the lists in pContext_. Anything left here
// means that clearing failed (no pContext_, or it could not be made
// current): those textures are deleted in the current context when it
// shares them, as eviction does, and otherwise kept, still counted as live,
// rather than deleted in the wrong share group or with no context at all.
// The framebuffer object belongs to the context that was current at
// construction, so it is deleted only when that context is current again;
// otherwise it goes with that context.
TexturePool::~TexturePool() {
    if (pShareGroup_->sharedWithCurrentContext()) {
        deleteAllInCurrentContext();
        if (Platform::currentGLContext() == pFramebufferContext_) {
            // Adopted only to be deleted.
            const OGL::FramebufferObject adopted = OGL::FramebufferObject::wrap(nFramebufferID_);
        }
    } else {
        keepAll(oFreeList1D_);
        keepAll(oFreeList2D_);
        keepAll(oFreeList3D_);
        keepAll(oFreeListRECT_);
    }
    pShareGroup_->poolDestroyed();
}

template <class TextureType>
void TexturePool::keepAll(TextureFreeList<TextureType>& list) {
    while (std::unique_ptr<TextureType> texture = list.popFront()) {
        nCurrentPoolSize_ -= bytesOf(texture.get());
        detail::keep(std::move(texture));
    }
}

void TexturePool::Create(const Configuration& configuration) {
    if (gpInstance_ != nullptr) throwAt<InternalException>(kSource, __LINE__, "gpInstance_ == 0");
    gpInstance_ = new TexturePool(configuration);
}

TexturePoolStatistics TexturePool::statistics() { return gStatistics; }

TexturePool* TexturePool::Instance() {
    if (gpInstance_ == nullptr)
        throwAt<InternalException>(kSource, __LINE__, "Enforce gpInstance_ != NULL");
    return gpInstance_;
}

// The pool is unregistered before anything can fail, so gpInstance_ never
// points at a destroyed pool. When clearAll() fails (for instance "pContext_"),
// the pool is still destroyed, its free textures dealt with by the
// destructor, and the exception then reaches the caller.
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
    const InvariantCheck check(*this);
    if (bReuseLargerTextures_) width = nextPowerOfTwo(width);
    requireTexels(__LINE__, width, 1, 1);
    if (auto* found = takeOut(oFreeList1D_, width, 1, 1, format)) return found;
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    return record(new OGL::Texture1D(format, width, false));
}

OGL::Texture3D* TexturePool::getTexture3DFromPool(unsigned int width, unsigned int height,
                                                  unsigned int depth, InternalFormat format) {
    const InvariantCheck check(*this);
    if (bReuseLargerTextures_) {
        width = nextPowerOfTwo(width);
        height = nextPowerOfTwo(height);
        depth = nextPowerOfTwo(depth);
    }
    requireTexels(__LINE__, width, height, depth);
    if (auto* found = takeOut(oFreeList3D_, width, height, depth, format)) return found;
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    return record(new OGL::Texture3D(format, width, height, depth, false));
}

OGL::TextureRECT* TexturePool::getTextureRECTFromPool(unsigned int width, unsigned int height,
                                                      InternalFormat format) {
    const InvariantCheck check(*this);
    requireTexels(__LINE__, width, height, 1);
    if (auto* found = takeOut(oFreeListRECT_, width, height, 1, format)) return found;
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    return record(new OGL::TextureRECT(format, width, height));
}

OGL::Texture2D* TexturePool::getTexture2DFromPool(unsigned int width, unsigned int height,
                                                  InternalFormat format) {
    const InvariantCheck check(*this);
    const unsigned int W = bReuseLargerTextures_ ? nextPowerOfTwo(width) : width;
    const unsigned int H = bReuseLargerTextures_ ? nextPowerOfTwo(height) : height;
    requireTexels(__LINE__, W, H, 1);
    OGL::Texture2D* texture = takeOut(oFreeList2D_, W, H, 1, format);
    if (texture != nullptr) {
        resetWrapModes(texture);
    } else {
        // The wrapper outlives the new texture's holder, so a texture whose
        // memoryAllocated notification throws is deleted in pContext_.
        const OGL::ScopedContextWrapper wrapper;
        pVideoMemoryListener_->impendingMemoryAllcation(OGL::Texture::SizeInBytes(format, W, H, 1));
        prepareOpenGLContext();
        std::unique_ptr<OGL::Texture2D> created(new OGL::Texture2D(format, W, H, false));
        pVideoMemoryListener_->memoryAllocated(bytesOf(created.get()));
        texture = record(created.release());
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
    // Not every driver shares framebuffer objects within a share group: the
    // pool's own serves the context that created the pool, and any other
    // context clears through a temporary framebuffer object of its own,
    // deleted after the caller's binding is back.
    std::optional<OGL::FramebufferObject> temporary;
    unsigned int framebuffer = nFramebufferID_;
    if (Platform::currentGLContext() != pFramebufferContext_)
        framebuffer = temporary.emplace().objectID();

    GLenum status = GL_FRAMEBUFFER_COMPLETE_EXT;
    {
        const OGL::ScopedFramebufferBinding binding(framebuffer);
        glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                                  texture->objectID(), 0);
        status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
        if (status == GL_FRAMEBUFFER_COMPLETE_EXT) {
            const OGL::ScopedViewport viewport(0, 0, static_cast<int>(width),
                                               static_cast<int>(height));
            const OGL::ScopedClearColor clearColor(0.0f, 0.0f, 0.0f, 0.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            return;
        }
    }
    returnTexture2DToPool(texture);
    std::ostringstream message;
    if (status == GL_FRAMEBUFFER_UNSUPPORTED_EXT)
        message << "Invalid framebuffer due to wrong render target format (attached texture "
                   "wrong format)";
    else
        message << "Invalid framebuffer due to programming error.";
    throwAt<InternalException>(kSource, __LINE__, message.str());
}

void TexturePool::returnTexture1DToPool(OGL::Texture1D* texture) {
    const InvariantCheck check(*this);
    giveBack(oFreeList1D_, texture, __LINE__);
}

void TexturePool::returnTexture2DToPool(OGL::Texture2D* texture) {
    const InvariantCheck check(*this);
    giveBack(oFreeList2D_, texture, __LINE__);
}

void TexturePool::returnTexture3DToPool(OGL::Texture3D* texture) {
    const InvariantCheck check(*this);
    giveBack(oFreeList3D_, texture, __LINE__);
}

void TexturePool::returnTextureRECTToPool(OGL::TextureRECT* texture) {
    const InvariantCheck check(*this);
    giveBack(oFreeListRECT_, texture, __LINE__);
}

void TexturePool::setMaximumPoolSize(size_t bytes) {
    const InvariantCheck check(*this);
    nMaximumPoolSize_ = bytes;
    enforceMaximumPoolSize();
}

// Each pass deletes the earliest given-back texture of every kind, whatever
// their sizes, and only then compares with the low-water mark. Textures are
// deleted in the current context when it shares them; with none current, or
// a context of another share group (where the names would delete that
// group's textures), in the pool's context.
void TexturePool::enforceMaximumPoolSize() {
    if (nCurrentPoolSize_ < nMaximumPoolSize_) return;
    // Three quarters rounded down, without overflowing 3 * limit.
    const size_t target =
        nMaximumPoolSize_ - (nMaximumPoolSize_ / 4 + (nMaximumPoolSize_ % 4 != 0));
    if (nCurrentPoolSize_ <= target) return;
    std::optional<OGL::ScopedContextWrapper> wrapper;
    if (!pShareGroup_->sharedWithCurrentContext()) {
        wrapper.emplace();
        prepareOpenGLContext();
    }
    for (;;) {
        if (oFreeList1D_.empty() && oFreeList2D_.empty() && oFreeList3D_.empty() &&
            oFreeListRECT_.empty())
            throwAt<InternalException>(
                kSource, __LINE__,
                "oFreeList1D_.size() != 0 || oFreeList2D_.size() != 0 || oFreeList3D_.size() != 0 "
                "|| oFreeListRECT_.size() != 0");
        // Counted before the listener hears of the 2D texture, which may throw.
        size_t others = 0;
        size_t freed = 0;
        gStatistics.texturesEvicted += evictFront(oFreeList1D_, others);
        gStatistics.texturesEvicted += evictFront(oFreeList2D_, freed);
        gStatistics.bytesEvicted += others + freed;
        pVideoMemoryListener_->memoryFreed(freed);
        others = 0;
        gStatistics.texturesEvicted += evictFront(oFreeList3D_, others);
        gStatistics.texturesEvicted += evictFront(oFreeListRECT_, others);
        gStatistics.bytesEvicted += others;
        if (nCurrentPoolSize_ <= target) return;
    }
}

template <class TextureType>
void TexturePool::clearList(TextureFreeList<TextureType>& list) {
    const InvariantCheck check(*this);
    const OGL::ScopedContextWrapper wrapper;
    prepareOpenGLContext();
    deleteAll(list);
}

void TexturePool::clear1DPool() { clearList(oFreeList1D_); }

// The listener hears of the 2D bytes once the caller's context is back.
void TexturePool::clear2DPool() {
    const size_t freed = totalBytes(oFreeList2D_);
    clearList(oFreeList2D_);
    pVideoMemoryListener_->memoryFreed(freed);
}

void TexturePool::clear3DPool() { clearList(oFreeList3D_); }

void TexturePool::clearRECTPool() { clearList(oFreeListRECT_); }

void TexturePool::clearAll() {
    clear1DPool();
    clear2DPool();
    clear3DPool();
    clearRECTPool();
}

void TexturePool::deleteAllInCurrentContext() {
    deleteAll(oFreeList1D_);
    deleteAll(oFreeList2D_);
    deleteAll(oFreeList3D_);
    deleteAll(oFreeListRECT_);
}

}  // namespace ZEV
