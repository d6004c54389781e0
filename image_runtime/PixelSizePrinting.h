// The pixel sizes of a filter's named input and output images, and the
// stream operators with which hosts print them into their logs.
#pragma once

#include <iosfwd>
#include <map>
#include <string>

#include "zev_core/Export.h"
#include "zev_core/Vectors.h"

namespace ZEV {

struct InputOutputImagePixelSizeSet {
    std::map<std::string, float2> inputPixelSizes;
    std::map<std::string, float2> outputPixelSizes;
};

/// One line per entry in key order: the name, two spaces, the pixel size.
ZEV_API std::ostream& operator<<(std::ostream& os, const std::map<std::string, float2>& sizes);

/// "Input images:" and "Output images:" headers, each followed by its entries
/// indented by two and a blank line.
ZEV_API std::ostream& operator<<(std::ostream& os, const InputOutputImagePixelSizeSet& set);

}  // namespace ZEV
