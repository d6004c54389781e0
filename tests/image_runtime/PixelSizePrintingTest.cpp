// Printing of pixel-size maps and input/output pixel-size sets, byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "image_runtime/PixelSizePrinting.h"

namespace ZEV {
namespace {

// Maps print unindented in key order; a set indents its entries under
// unindented headers, whatever came before.
TEST(PixelSizePrinting, MapsInKeyOrderAndSetsIndentedUnderTheirHeaders) {
    const std::map<std::string, float2> sizes{{"mask", float2(2, 0.5f)}, {"Source", float2(1, 1)}};
    InputOutputImagePixelSizeSet set;
    set.outputPixelSizes["result"] = float2(0.25f, 4);
    std::ostringstream os;
    os << sizes << set;
    set.inputPixelSizes = sizes;
    os << set << InputOutputImagePixelSizeSet{};
    EXPECT_EQ(os.str(),
              "Source  (1, 1)\nmask  (2, 0.5)\n"
              "Input images:\n\nOutput images:\n  result  (0.25, 4)\n\n"
              "Input images:\n  Source  (1, 1)\n  mask  (2, 0.5)\n\n"
              "Output images:\n  result  (0.25, 4)\n\n"
              "Input images:\n\nOutput images:\n\n");
}

}  // namespace
}  // namespace ZEV
