// The process-wide cache of OpenGL textures: hands out textures of a kind,
// size and format, takes them back into one free list per kind, keeps the
// bytes of free textures under a limit, and reports 2D allocations to the
// host's video memory listener. Created and destroyed by RuntimeSetup.
#pragma once

#include <cstddef>

#include "image_runtime/TextureFreeList.h"
#include "image_runtime/VideoMemory.h"
#include "zev_core/Export.h"
#include "zev_ogl/Texture.h"

namespace ZEV {

namespace OGL {
class Context;
}

class RuntimeSetup;

class ZEV_API TexturePool {
public:
    // What a pool is created from: the byte limit, the listener (never null)
    // and the context in which the pool creates and deletes textures.
    class ZEV_API Configuration {
    public:
        Configuration();

        size_t maximumFreelistSize() const { return nMaximumFreelistSize_; }
        void setMaximumFreelistSize(size_t bytes) { nMaximumFreelistSize_ = bytes; }

        VideoMemory::VideoMemoryListener* videoMemoryListener() const {
            return pVideoMemoryListener_;
        }
        void setVideoMemoryListener(VideoMemory::VideoMemoryListener* listener);

        OGL::Context* context() const { return pContext_; }
        void setContext(OGL::Context* context) { pContext_ = context; }

    private:
        size_t nMaximumFreelistSize_;
        VideoMemory::VideoMemoryListener* pVideoMemoryListener_;
        OGL::Context* pContext_ = nullptr;
    };

    static TexturePool* Instance();

    OGL::Texture1D* getTexture1DFromPool(unsigned int width, OGL::Texture::InternalFormat format);
    OGL::Texture2D* getTexture2DFromPool(unsigned int width, unsigned int height,
                                         OGL::Texture::InternalFormat format);
    OGL::Texture3D* getTexture3DFromPool(unsigned int width, unsigned int height,
                                         unsigned int depth, OGL::Texture::InternalFormat format);
    OGL::TextureRECT* getTextureRECTFromPool(unsigned int width, unsigned int height,
                                             OGL::Texture::InternalFormat format);

    void returnTexture1DToPool(OGL::Texture1D* texture);
    void returnTexture2DToPool(OGL::Texture2D* texture);
    void returnTexture3DToPool(OGL::Texture3D* texture);
    void returnTextureRECTToPool(OGL::TextureRECT* texture);

    // True when handed-out 1D, 2D and 3D textures may be larger than requested.
    bool reuseLargerTextures() const { return bReuseLargerTextures_; }

    void setMaximumPoolSize(size_t bytes);
    void clear1DPool();
    void clear2DPool();
    void clear3DPool();
    void clearRECTPool();
    void clearAll();

    // Bytes held by the free lists, and the limit on them.
    size_t currentPoolSize() const { return nCurrentPoolSize_; }
    size_t maximumPoolSize() const { return nMaximumPoolSize_; }

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

    static TexturePool* gpInstance_;
};

}  // namespace ZEV
