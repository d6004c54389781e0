// ImageBase: construction checks, geometry queries and the description.
#include "image_runtime/images/ImageBase.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "support/TestSupport.h"
#include "zev_core/Exceptions.h"

namespace ZEV {
namespace {

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

TEST(ImageBase, DefaultImageIsEmptyWithUnitPixels) {
    const WideImage image;
    EXPECT_EQ(image.offsetX(), 0);
    EXPECT_EQ(image.offsetY(), 0);
    EXPECT_EQ(image.width(), 0u);
    EXPECT_EQ(image.numberOfPixels(), 0u);
    EXPECT_EQ(image.pixelSize().x, 1.0f);
    EXPECT_EQ(image.pixelSize().y, 1.0f);
    const IntegerRect dod = image.domainOfDefinition();
    EXPECT_EQ(dod.size().i, 0u);
    EXPECT_EQ(dod.offset().j, 0);
}

TEST(ImageBase, BothConstructorsRefuseNonPositivePixelSizes) {
    const char* const fromVectors = "pixelSize.x > 0.0f && pixelSize.y > 0.0f";
    const char* const fromRect = "(pixelSize.x > 0.0f) && (pixelSize.y > 0.0f)";
    const float2 bad[] = {float2(1, 0), float2(0, 1), float2(-1, 1), float2(NAN, 1),
                          float2(1, NAN)};
    for (const float2& pixelSize : bad) {
        EXPECT_TRUE(ZEV::Test::throwsWith<InternalException>(
            [&] { WideImage(int2(0), size2(4), pixelSize); }, fromVectors));
        EXPECT_TRUE(ZEV::Test::throwsWith<InternalException>(
            [&] { WideImage(IntegerRect(int2(1, 2), size2(3, 4)), pixelSize); }, fromRect));
    }
    try {
        WideImage(int2(0), size2(1), float2(0, 0));
    } catch (const InternalException& e) {
        EXPECT_STREQ(e.file(), "image_runtime/images/ImageBase");
    }
    EXPECT_NO_THROW(WideImage(int2(0), size2(1), float2(1e-30f, 1e-30f)));
}

TEST(ImageBase, GeometryCopiesAndUncheckedPixelSize) {
    const IntegerRect rect(int2(-7, 9), size2(100000, 100000));
    WideImage image(rect, float2(0.5f, 2.0f));
    EXPECT_EQ(image.numberOfPixels(), 10000000000u);
    EXPECT_TRUE(image.domainOfDefinition() == rect);
    EXPECT_EQ(image.offset().i, -7);
    EXPECT_EQ(image.size().j, 100000u);

    image.setPixelSize(float2(0.0f, -2.0f));
    EXPECT_EQ(image.pixelSize().x, 0.0f);
    EXPECT_EQ(image.pixelSize().y, -2.0f);
    const WideImage copy(image);
    EXPECT_EQ(copy.pixelSize().y, -2.0f);
    WideImage assigned;
    assigned = image;
    EXPECT_EQ(assigned.offsetX(), -7);
    EXPECT_EQ(assigned.pixelSize().y, -2.0f);
}

TEST(ImageBase, StreamingWritesTheMostDerivedDescription) {
    const WideImage image(int2(-10, 20), size2(640, 480), float2(0.5f, 0.25f));
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
