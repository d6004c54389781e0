// The process-wide cache of OpenGL textures: hands out textures of a kind,
// size and format, takes them back into one free list per kind, keeps the
// bytes of free textures under a limit, and reports 2D allocations to the
// host's video memory listener. Created and destroyed by RuntimeSetup.
#pragma once

#include <cstddef>
#include <memory>

#include "image_runtime/RuntimeStatistics.h"
#include "image_runtime/TextureFreeList.h"
#include "image_runtime/VideoMemory.h"
#include "zev_core/Export.h"
#include "zev_ogl/Texture.h"

namespace ZEV {

namespace OGL {
class Context;
}
namespace detail {
class ShareGroup;
}

class RuntimeSetup;

/// Nothing in it locks: use the pool from one thread at a time.
class ZEV_API TexturePool {
public:
    /// What a pool is created from: the byte limit, the listener (never null)
    /// and the context in which the pool creates and deletes textures. The
    /// pool borrows the listener and the context: both must outlive it.
    class ZEV_API Configuration {
    public:
        Configuration();

        /// The pool's byte limit on its free textures (128 MiB by default).
        size_t maximumFreelistSize() const { return nMaximumFreelistSize_; }
        void setMaximumFreelistSize(size_t bytes) { nMaximumFreelistSize_ = bytes; }

        VideoMemory::VideoMemoryListener* videoMemoryListener() const {
            return pVideoMemoryListener_;
        }
        /// Null stands for the library's default listener, which does nothing.
        void setVideoMemoryListener(VideoMemory::VideoMemoryListener* listener);

        OGL::Context* context() const { return pContext_; }
        /// A context in the share group of the one current when the pool is
        /// created; without one the pool cannot make textures or clear.
        void setContext(OGL::Context* context) { pContext_ = context; }

    private:
        size_t nMaximumFreelistSize_;
        VideoMemory::VideoMemoryListener* pVideoMemoryListener_;
        OGL::Context* pContext_ = nullptr;
    };

    /// The one pool; throws InternalException while none exists, never creates one.
    static TexturePool* Instance();

    /// Hand out a texture of exactly that kind, size and format (sizes of 1D,
    /// 2D and 3D textures first rounded up to powers of two when
    /// reuseLargerTextures()); the caller owns it until it gives it back with
    /// the return function of its kind. A size of 0, or one whose power of two
    /// would exceed 2^31, is refused with ParameterException: such a texture
    /// has no texels, would count 0 bytes and so could never be evicted.
    /// Needs an OpenGL context current that shares the pool's textures; new
    /// textures are made in the pool's context, which is current meanwhile,
    /// and the caller's context is current again on return.
    ///@{
    OGL::Texture1D* getTexture1DFromPool(unsigned int width, OGL::Texture::InternalFormat format);
    OGL::Texture2D* getTexture2DFromPool(unsigned int width, unsigned int height,
                                         OGL::Texture::InternalFormat format);
    OGL::Texture3D* getTexture3DFromPool(unsigned int width, unsigned int height,
                                         unsigned int depth, OGL::Texture::InternalFormat format);
    OGL::TextureRECT* getTextureRECTFromPool(unsigned int width, unsigned int height,
                                             OGL::Texture::InternalFormat format);
    ///@}

    /// Take a texture back; the pool owns it afterwards and may delete it at
    /// once to stay within its limit. Giving back a texture that is already
    /// in the free list is refused with ParameterException and changes
    /// nothing. A texture made by an earlier pool is never taken into this
    /// one: it is deleted in the current context if that shares its textures,
    /// and otherwise kept, still counted as live, for the life of the process.
    /// Eviction deletes in the current context when it shares the pool's
    /// textures, and otherwise (also with none current) in the pool's context.
    ///@{
    void returnTexture1DToPool(OGL::Texture1D* texture);
    void returnTexture2DToPool(OGL::Texture2D* texture);
    void returnTexture3DToPool(OGL::Texture3D* texture);
    void returnTextureRECTToPool(OGL::TextureRECT* texture);
    ///@}

    /// True when handed-out 1D, 2D and 3D textures may be larger than
    /// requested (the driver lacks non-power-of-two textures).
    bool reuseLargerTextures() const { return bReuseLargerTextures_; }

    /// Sets the limit and, as a give-back does, evicts the earliest given-back
    /// textures down to three quarters of it once the free bytes reach it.
    void setMaximumPoolSize(size_t bytes);
    /// Delete the free textures of a kind, or of all, in the pool's context,
    /// which is current meanwhile; the caller's context is current again on
    /// return. Without a pool context they throw InternalException. Handed-out
    /// textures are not touched.
    ///@{
    void clear1DPool();
    void clear2DPool();
    void clear3DPool();
    void clearRECTPool();
    void clearAll();
    ///@}

    /// Bytes held by the free lists, and the limit on them.
    ///@{
    size_t currentPoolSize() const { return nCurrentPoolSize_; }
    size_t maximumPoolSize() const { return nMaximumPoolSize_; }
    ///@}

    /// Requests, hits, evictions and the free lists' peak of the pool that
    /// exists now, or of the last one once it is destroyed (all zero before
    /// the first). Needs no OpenGL context and no pool.
    static TexturePoolStatistics statistics();

    TexturePool(const TexturePool&) = delete;
    TexturePool& operator=(const TexturePool&) = delete;

private:
    friend class RuntimeSetup;

    explicit TexturePool(const Configuration& configuration);
    ~TexturePool();

    static void Create(const Configuration& configuration);
    static void Destroy();

    static unsigned int nextPowerOfTwo(unsigned int n);
    void prepareOpenGLContext();
    void enforceMaximumPoolSize();
    void clearEnlargedTexture(OGL::Texture2D* texture, unsigned int width, unsigned int height);
    void resetWrapModes(OGL::Texture2D* texture);
    void deleteAllInCurrentContext();
    template <class TextureType>
    void giveBack(TextureFreeList<TextureType>& list, TextureType* texture, int line);
    template <class TextureType>
    TextureType* takeOut(TextureFreeList<TextureType>& list, size_t width, size_t height,
                         size_t depth, OGL::Texture::InternalFormat format);
    template <class TextureType>
    TextureType* record(TextureType* texture);
    template <class TextureType>
    void deleteAll(TextureFreeList<TextureType>& list);
    // Deletes a whole free list in the pool's context.
    template <class TextureType>
    void clearList(TextureFreeList<TextureType>& list);
    template <class TextureType>
    size_t evictFront(TextureFreeList<TextureType>& list, size_t& freed);
    template <class TextureType>
    void keepAll(TextureFreeList<TextureType>& list);

    // Runs validate() as it goes out of scope, in builds that check invariants.
    class InvariantCheck;
    // Aborts with a description when the byte counter differs from the
    // textures in the free lists or a texture is listed twice.
    void validate() const;

    TextureFreeList<OGL::Texture1D> oFreeList1D_;
    TextureFreeList<OGL::Texture2D> oFreeList2D_;
    TextureFreeList<OGL::Texture3D> oFreeList3D_;
    TextureFreeList<OGL::TextureRECT> oFreeListRECT_;
    size_t nCurrentPoolSize_ = 0;
    size_t nMaximumPoolSize_;
    bool bNonPowerOfTwoSupported_ = false;
    bool bReuseLargerTextures_ = false;
    unsigned int nFramebufferID_ = 0;
    VideoMemory::VideoMemoryListener* pVideoMemoryListener_;
    OGL::Context* pContext_;
    // The context current at construction, which the framebuffer object belongs to.
    void* pFramebufferContext_;
    // The share group of the context current at construction, which every
    // context the pool works in must share.
    std::shared_ptr<detail::ShareGroup> pShareGroup_;

    static TexturePool* gpInstance_;
};

}  // namespace ZEV
