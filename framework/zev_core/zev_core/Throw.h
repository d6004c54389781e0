// The one way the framework throws: an exception class built from the
// library-relative source name, the line of the throw and the message.
#pragma once

#include <string>

namespace ZEV {

/// Throws Exception(source, line, message); the exception keeps its own copy of
/// the message, and source must be a string literal or live as long.
template <class Exception>
[[noreturn]] void throwAt(const char* source, int line, const std::string& message) {
    throw Exception(source, line, message.c_str());
}

}  // namespace ZEV
