// Turns an OpenGL error into an exception at the points where the host
// checks (after each pass and transfer), naming what was being done.
#pragma once

namespace ZevFilter {

// Throws std::runtime_error "<what>: OpenGL error 0x...." if GL reports one.
void throwOnGLError(const char* what);

}  // namespace ZevFilter
