// Printing of pixel-size maps and input/output pixel-size sets, byte for byte.
#include <gtest/gtest.h>

#include <sstream>

#include "image_runtime/PixelSizePrinting.h"

namespace ZEV {
namespace {

template <class Value>
std::string printed(const Value& value) {
    std::ostringstream os;
    EXPECT_EQ(&(os << value), &os);
    return os.str();
}

// Maps print unindented in key order; a set indents its entries under
// unindented headers, whatever came before.
TEST(PixelSizePrinting, MapsInKeyOrderAndSetsIndentedUnderTheirHeaders) {
    const std::map<std::string, float2> sizes{{"mask", float2(2, 0.5f)}, {"Source", float2(1, 1)}};
    EXPECT_EQ(printed(sizes), "Source  (1, 1)\nmask  (2, 0.5)\n");
    EXPECT_EQ(printed(InputOutputImagePixelSizeSet{}), "Input images:\n\nOutput images:\n\n");
    InputOutputImagePixelSizeSet set;
    set.inputPixelSizes = sizes;
    set.outputPixelSizes["result"] = float2(0.25f, 4);
    EXPECT_EQ(printed(set),
              "Input images:\n  Source  (1, 1)\n  mask  (2, 0.5)\n\n"
              "Output images:\n  result  (0.25, 4)\n\n");
    set.inputPixelSizes.clear();
    EXPECT_EQ(printed(set), "Input images:\n\nOutput images:\n  result  (0.25, 4)\n\n");
}

}  // namespace
}  // namespace ZEV
