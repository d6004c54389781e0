// The texture pool's free list of one texture kind: textures in the order
// they were given back, earliest at the front. Unlinked list nodes are kept
// and relinked at the next give-back, so that taking a texture out and giving
// one back again allocates no memory.
#pragma once

#include <cstddef>
#include <list>

namespace ZEV {

template <class TextureType>
class TextureFreeList {
public:
    using iterator = typename std::list<TextureType*>::iterator;
    using const_iterator = typename std::list<TextureType*>::const_iterator;

    bool empty() const { return textures_.empty(); }
    size_t size() const { return textures_.size(); }
    iterator begin() { return textures_.begin(); }
    iterator end() { return textures_.end(); }
    const_iterator begin() const { return textures_.begin(); }
    const_iterator end() const { return textures_.end(); }
    TextureType* front() const { return textures_.front(); }

    void pushBack(TextureType* texture) {
        if (spare_.empty()) {
            textures_.push_back(texture);
        } else {
            spare_.front() = texture;
            textures_.splice(textures_.end(), spare_, spare_.begin());
        }
    }

    // Unlinks the entry at position and returns its texture.
    TextureType* take(iterator position) {
        TextureType* texture = *position;
        spare_.splice(spare_.begin(), textures_, position);
        return texture;
    }

    // Evicted and cleared entries give their nodes up: the pool has just
    // shrunk, so there is no steady give-back traffic to serve from them.
    void popFront() { textures_.pop_front(); }
    void clear() { textures_.clear(); }

private:
    std::list<TextureType*> textures_;
    std::list<TextureType*> spare_;
};

}  // namespace ZEV
