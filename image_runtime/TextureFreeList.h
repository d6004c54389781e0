// The texture pool's free list of one texture kind. It owns the textures in
// it, so each is deleted exactly once: when the list lets it go, or with the
// list. Textures stand in the order they were given back (eviction takes the
// earliest) and are indexed by size and format, each index entry a queue in
// the same order, so that a request finds the earliest given-back match
// without looking at textures of other sizes. Entries of textures taken out
// are kept and reused at the next give-back, so that taking a texture out and
// giving one back again allocates no memory once its size has been seen.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "zev_ogl/Texture.h"

namespace ZEV {

/// A part of TexturePool, public only because the pool's layout holds it; hosts
/// use the pool's functions instead. Makes no GL call but to delete textures.
template <class TextureType>
class TextureFreeList {
public:
    /// Level-0 size and format. Rectangle textures have no depth to compare.
    struct Key {
        size_t width;
        size_t height;
        size_t depth;
        OGL::Texture::InternalFormat format;
        bool operator==(const Key& other) const {
            return width == other.width && height == other.height && depth == other.depth &&
                   format == other.format;
        }
    };

    static Key makeKey(size_t width, size_t height, size_t depth,
                       OGL::Texture::InternalFormat format) {
        if constexpr (std::is_same_v<TextureType, OGL::TextureRECT>) depth = 0;
        return {width, height, depth, format};
    }
    static Key keyOf(const TextureType& texture) {
        return makeKey(texture.width(0), texture.height(0), texture.depth(0), texture.format());
    }

    TextureFreeList() = default;
    TextureFreeList(const TextureFreeList&) = delete;
    TextureFreeList& operator=(const TextureFreeList&) = delete;
    /// Deletes the remaining textures from the earliest given back on, in the
    /// current context, as clearing does.
    ~TextureFreeList() {
        while (popFront()) {
        }
    }

    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }
    bool contains(const TextureType* texture) const { return entries_.count(texture) != 0; }

    /// Takes texture in as the latest given back; it must not be listed already.
    void pushBack(std::unique_ptr<TextureType> texture) {
        const TextureType* const address = texture.get();
        Entry* entry = nullptr;
        if (spare_.empty()) {
            entry = &entries_[address];
        } else {
            auto node = std::move(spare_.back());
            spare_.pop_back();
            node.key() = address;
            entry = &entries_.insert(std::move(node)).position->second;
        }
        entry->texture = std::move(texture);
        entry->newer = nullptr;
        entry->nextSameKey = nullptr;
        entry->older = newest_;
        (newest_ ? newest_->newer : oldest_) = entry;
        newest_ = entry;
        Queue& queue = queueFor(keyOf(*address));
        (queue.last ? queue.last->nextSameKey : queue.first) = entry;
        queue.last = entry;
    }

    /// The earliest given-back texture of that size and format, now the
    /// caller's; null when there is none.
    std::unique_ptr<TextureType> takeFirst(const Key& key) {
        const auto found = queues_.find(key);
        if (found == queues_.end() || found->second.first == nullptr) return nullptr;
        Entry* const entry = found->second.first;
        unlink(found->second, *entry);
        std::unique_ptr<TextureType> texture = std::move(entry->texture);
        spare_.push_back(entries_.extract(texture.get()));
        return texture;
    }

    /// The earliest given-back texture of all, now the caller's; null when the
    /// list is empty. Its entry is released: the list has just shrunk, so
    /// there is no steady give-back traffic to serve from it.
    std::unique_ptr<TextureType> popFront() {
        if (oldest_ == nullptr) return nullptr;
        Entry* const entry = oldest_;
        const auto queue = queues_.find(keyOf(*entry->texture));
        unlink(queue->second, *entry);
        if (queue->second.first == nullptr) queues_.erase(queue);
        std::unique_ptr<TextureType> texture = std::move(entry->texture);
        entries_.erase(texture.get());
        return texture;
    }

    /// Calls f with each texture, from the earliest given back on.
    void forEach(const std::function<void(const TextureType&)>& f) const {
        for (const Entry* entry = oldest_; entry != nullptr; entry = entry->newer)
            f(*entry->texture);
    }

    /// True when the order and the index agree: every entry stands once in
    /// the order and once in the queue of its size, queues in give-back order.
    bool consistent() const {
        std::unordered_map<const Entry*, size_t> position;
        for (const Entry* entry = oldest_; entry != nullptr; entry = entry->newer) {
            if (!entry->texture || (entry->newer ? entry->newer->older : newest_) != entry ||
                !position.emplace(entry, position.size()).second)
                return false;
        }
        size_t queued = 0;
        for (const auto& [key, queue] : queues_) {
            const Entry* previous = nullptr;
            for (const Entry* entry = queue.first; entry != nullptr; entry = entry->nextSameKey) {
                const auto found = position.find(entry);
                if (found == position.end() || !(keyOf(*entry->texture) == key) ||
                    (previous && position.at(previous) >= found->second))
                    return false;
                previous = entry;
                ++queued;
            }
            if (queue.last != previous) return false;
        }
        return position.size() == entries_.size() && queued == entries_.size();
    }

private:
    struct Entry {
        std::unique_ptr<TextureType> texture;
        Entry* older = nullptr;
        Entry* newer = nullptr;
        Entry* nextSameKey = nullptr;
    };
    // Entries of one size and format, earliest given back first.
    struct Queue {
        Entry* first = nullptr;
        Entry* last = nullptr;
    };
    struct KeyHash {
        size_t operator()(const Key& key) const {
            size_t h = key.width;
            h = h * 0x9E3779B97F4A7C15ull + key.height;
            h = h * 0x9E3779B97F4A7C15ull + key.depth;
            h = h * 0x9E3779B97F4A7C15ull + static_cast<size_t>(key.format);
            return h ^ (h >> 29);
        }
    };
    using Entries = std::unordered_map<const TextureType*, Entry>;

    // Queues emptied by requests are kept for the next give-back of their
    // size; once they outnumber the entries, the empty ones are dropped, so
    // that a stream of ever new sizes cannot grow the index without bound.
    Queue& queueFor(const Key& key) {
        if (queues_.size() > 2 * entries_.size() + 64) {
            for (auto it = queues_.begin(); it != queues_.end();)
                it = it->second.first ? std::next(it) : queues_.erase(it);
        }
        return queues_[key];
    }

    // Both removals take the first of a queue: a request takes the first of
    // its size, and the earliest given back of all is the first of its size.
    void unlink(Queue& queue, Entry& entry) {
        queue.first = entry.nextSameKey;
        if (queue.first == nullptr) queue.last = nullptr;
        entry.nextSameKey = nullptr;
        (entry.older ? entry.older->newer : oldest_) = entry.newer;
        (entry.newer ? entry.newer->older : newest_) = entry.older;
    }

    Entries entries_;
    std::unordered_map<Key, Queue, KeyHash> queues_;
    Entry* oldest_ = nullptr;
    Entry* newest_ = nullptr;
    std::vector<typename Entries::node_type> spare_;
};

}  // namespace ZEV
