// The filters the host can chain on the GPU, and their command-line names.
#pragma once

#include <optional>
#include <string>

namespace ZevFilter {

enum class Filter { Blur, Sobel, Sepia, Unsharp };

// The name used on the command line and in the summary.
const char* filterName(Filter filter);
// The filter of that name, or nothing for an unknown one.
std::optional<Filter> filterFromName(const std::string& name);
// "blur, sobel, sepia, unsharp", for messages and the help text.
std::string knownFilterNames();

}  // namespace ZevFilter
