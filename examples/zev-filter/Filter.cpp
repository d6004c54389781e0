// Filter names.
#include "Filter.h"

#include <array>

namespace ZevFilter {

namespace {

constexpr std::array<Filter, 4> kFilters = {Filter::Blur, Filter::Sobel, Filter::Sepia,
                                            Filter::Unsharp};

}  // namespace

const char* filterName(Filter filter) {
    switch (filter) {
        case Filter::Blur: return "blur";
        case Filter::Sobel: return "sobel";
        case Filter::Sepia: return "sepia";
        case Filter::Unsharp: return "unsharp";
    }
    return "?";
}

std::optional<Filter> filterFromName(const std::string& name) {
    for (const Filter filter : kFilters)
        if (name == filterName(filter)) return filter;
    return std::nullopt;
}

std::string knownFilterNames() {
    std::string names;
    for (const Filter filter : kFilters) {
        if (!names.empty()) names += ", ";
        names += filterName(filter);
    }
    return names;
}

}  // namespace ZevFilter
