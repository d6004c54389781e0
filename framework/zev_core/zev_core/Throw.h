// The one way the framework throws: an exception class built from the
// library-relative source name, the line of the throw and the message.
#pragma once

#include <string>

namespace ZEV {

template <class Exception>
[[noreturn]] void throwAt(const char* source, int line, const std::string& message) {
    throw Exception(source, line, message.c_str());
}

}  // namespace ZEV
