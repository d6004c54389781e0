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

TEST(PixelSizePrinting, MapPrintsOneUnindentedLinePerEntryInKeyOrder) {
    EXPECT_EQ(printed(std::map<std::string, float2>{}), "");
    const std::map<std::string, float2> sizes{{"mask", float2(2, 0.5f)}, {"Source", float2(1, 1)}};
    EXPECT_EQ(printed(sizes), "Source  (1, 1)\nmask  (2, 0.5)\n");
}

TEST(PixelSizePrinting, SetIndentsEntriesUnderUnindentedHeaders) {
    EXPECT_EQ(printed(InputOutputImagePixelSizeSet{}), "Input images:\n\nOutput images:\n\n");

    InputOutputImagePixelSizeSet set;
    set.inputPixelSizes["b"] = float2(2, 0.5f);
    set.inputPixelSizes["a"] = float2(1, 1);
    set.outputPixelSizes["result"] = float2(0.25f, 4);
    EXPECT_EQ(printed(set),
              "Input images:\n"
              "  a  (1, 1)\n"
              "  b  (2, 0.5)\n"
              "\n"
              "Output images:\n"
              "  result  (0.25, 4)\n"
              "\n");

    // Only outputs: the indentation does not depend on earlier entries.
    set.inputPixelSizes.clear();
    EXPECT_EQ(printed(set), "Input images:\n\nOutput images:\n  result  (0.25, 4)\n\n");
}

}  // namespace
}  // namespace ZEV
