// The deleter of a shared pointer to memory that someone else owns: the
// pointer is shared, the memory is never released through it.
#pragma once

namespace ZEV {

struct NullDeleter {
    void operator()(const void*) const {}
};

}  // namespace ZEV
