// The deleter of a shared pointer to memory that someone else owns: the
// pointer is shared, the memory is never released through it.
#pragma once

namespace ZEV {

/// Frees nothing: the memory's owner keeps it alive as long as the pointer is used.
struct NullDeleter {
    void operator()(const void*) const {}
};

}  // namespace ZEV
