// ImageBase: construction checks, geometry queries and the description.
#include "image_runtime/images/ImageBase.h"

#include <gmock/gmock.h>

#include <cmath>
#include <sstream>

#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

using testing::StrEq, testing::ThrowsMessage;

// Storage twice as wide as the image, with a format line of its own.
class WideImage : public ImageBase {
public:
    using ImageBase::ImageBase;
    size_t physicalWidth() const override { return 2 * width(); }
    size_t physicalHeight() const override { return height(); }
    size2 physicalSize() const override { return size2(physicalWidth(), physicalHeight()); }
    void doWrite(std::ostream& os) const override {
        ImageBase::doWrite(os);
        os << "Pixel format : wide\n";
    }
};

TEST(ImageBase, BothConstructorsRefuseNonPositivePixelSizes) {
    for (const float2 bad :
         {float2(1, 0), float2(0, 1), float2(-1, 1), float2(NAN, 1), float2(1, NAN)}) {
        EXPECT_THAT(
            [&] { WideImage(int2(0), size2(4), bad); },
            ThrowsMessage<InternalException>(StrEq("pixelSize.x > 0.0f && pixelSize.y > 0.0f")));
        EXPECT_THAT([&] { WideImage(IntegerRect(int2(1, 2), size2(3, 4)), bad); },
                    ThrowsMessage<InternalException>(
                        StrEq("(pixelSize.x > 0.0f) && (pixelSize.y > 0.0f)")));
    }
    EXPECT_NO_THROW(WideImage(int2(0), size2(1), float2(1e-30f, 1e-30f)));
    const WideImage empty;
    EXPECT_TRUE(empty.numberOfPixels() == 0 && empty.pixelSize().x == 1 &&
                empty.pixelSize().y == 1);
}

TEST(ImageBase, GeometryAndTheMostDerivedDescription) {
    WideImage large(IntegerRect(int2(-7, 9), size2(100000, 100000)), float2(1, 1));
    EXPECT_EQ(large.numberOfPixels(), 10000000000u);
    const WideImage image(int2(-10, 20), size2(640, 480), float2(0.5f, 0.25f));
    EXPECT_EQ(image.domainOfDefinition(), IntegerRect(int2(-10, 20), size2(640, 480)));
    std::ostringstream out;
    out << static_cast<const ImageBase&>(image);
    EXPECT_EQ(out.str(),
              "Image size : 640 x 480\n"
              "Image offset : -10 , 20\n"
              "Image # pixels : 307200\n"
              "Image physical size : 1280 x 480\n"
              "Image DOD : (-10, 20) 640 x 480\n"
              "Image pixelsize : (0.5, 0.25)\n"
              "Pixel format : wide\n");
}

}  // namespace
}  // namespace ZEV
