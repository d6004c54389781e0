// zev-filter's OpenEXR module against files written by the OpenEXR library
// itself: every channel type, layout, storage and compression read exactly
// with both windows and written back the same way; bad files refused with a
// clear message inside a small address space.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfTiledOutputFile.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "ExrIO.h"

namespace {

using namespace ZevFilter;
namespace fs = std::filesystem;

const ExrLimits kLimits{64, 1000};
const fs::path kDir = fs::temp_directory_path() / ("zev-exr-" + std::to_string(getpid()));
struct RemoveDir {
    ~RemoveDir() { fs::remove_all(kDir); }
} removeDir;

// Above 1 and negative, all exact in half; the data window hangs off the
// display window's left edge.
float value(int x, int y, char channel) {
    return static_cast<float>(x - 2 * y + static_cast<int>(std::string("RGBA").find(channel) % 4)) *
           2.5F;
}
const Imath::Box2i kDisplay({0, 0}, {9, 7}), kData({-2, 3}, {3, 7});

fs::path writeFile(const std::string& name, const std::string& channels, Imf::PixelType type,
                   bool tiled = false, Imf::Compression compression = Imf::ZIP_COMPRESSION) {
    fs::create_directories(kDir);
    const fs::path path = kDir / (name + ".exr");
    Imf::Header header(kDisplay, kData, 1, {0, 0}, 1, Imf::INCREASING_Y, compression);
    std::vector<std::vector<uint32_t>> planes;  // a sample of any type per word
    Imf::FrameBuffer frame;
    for (const char channel : channels) {
        const std::string channelName = channel == 'r'   ? "RY"
                                        : channel == 'b' ? "BY"
                                                         : std::string(1, channel);
        header.channels().insert(channelName, Imf::Channel(type));
        auto& plane = planes.emplace_back();
        for (int y = kData.min.y; y <= kData.max.y; ++y)
            for (int x = kData.min.x; x <= kData.max.x; ++x) {
                const float v = value(x, y, channel);
                const half h(v);
                auto& word = plane.emplace_back(static_cast<uint32_t>(std::abs(v)));
                if (type != Imf::UINT)
                    std::memcpy(&word, type == Imf::HALF ? static_cast<const void*>(&h) : &v,
                                type == Imf::HALF ? 2 : 4);
            }
        frame.insert(channelName, Imf::Slice::Make(type, plane.data(), kData, 4));
    }
    if (tiled) {
        header.setTileDescription(Imf::TileDescription(4, 4));
        Imf::TiledOutputFile file(path.c_str(), header);
        file.setFrameBuffer(frame);
        file.writeTiles(0, file.numXTiles() - 1, 0, file.numYTiles() - 1);
    } else {
        Imf::OutputFile file(path.c_str(), header);
        file.setFrameBuffer(frame);
        file.writePixels(kData.max.y - kData.min.y + 1);
    }
    return path;
}

TEST(ExrIO, EveryTypeLayoutStorageAndCompressionRoundTripsExactly) {
    const std::pair<ExrLayout, std::string> layouts[] = {{ExrLayout::Rgba, "RGBA"},
                                                         {ExrLayout::Rgb, "RGB"},
                                                         {ExrLayout::Ya, "YA"},
                                                         {ExrLayout::Y, "Y"}};
    for (const auto type : {ExrChannelType::Half, ExrChannelType::Float})
        for (const auto& [layout, channels] : layouts)
            for (const bool tiled : {false, true})
                for (const auto compression :
                     {Imf::NO_COMPRESSION, Imf::ZIP_COMPRESSION, Imf::PIZ_COMPRESSION}) {
                    SCOPED_TRACE(channels + (type == ExrChannelType::Half ? " half " : " float ") +
                                 (tiled ? "tiled " : "scanline ") + std::to_string(compression));
                    const auto fileType = type == ExrChannelType::Half ? Imf::HALF : Imf::FLOAT;
                    const ExrImage image =
                        readExr(writeFile("in", channels, fileType, tiled, compression), kLimits);
                    EXPECT_EQ(image.channelType, type);
                    EXPECT_EQ(image.layout, layout);
                    EXPECT_EQ(image.displayWindow, (ExrBox{0, 0, 9, 7}));
                    EXPECT_EQ(image.dataWindow, (ExrBox{-2, 3, 3, 7}));
                    for (size_t i = 0; i < image.rgba.size(); ++i) {
                        const int x = static_cast<int>(i / 4 % 6) - 2,
                                  y = static_cast<int>(i / 24) + 3;
                        const char channel = channels.find('A') == std::string::npos && i % 4 == 3
                                                 ? '1'
                                             : channels[0] == 'Y' && i % 4 < 3 ? 'Y'
                                                                               : "RGBA"[i % 4];
                        ASSERT_EQ(image.rgba[i], channel == '1' ? 1.0F : value(x, y, channel)) << i;
                    }

                    const fs::path out = kDir / "out.exr";
                    writeExr(out, image);
                    EXPECT_EQ(Imf::InputFile(out.c_str()).header().compression(),
                              Imf::ZIP_COMPRESSION);
                    const ExrImage back = readExr(out, kLimits);
                    EXPECT_EQ(back.rgba, image.rgba);
                    EXPECT_EQ(back.channelType, type);
                    EXPECT_EQ(back.layout, layout);
                    EXPECT_EQ(back.displayWindow, image.displayWindow);
                    EXPECT_EQ(back.dataWindow, image.dataWindow);
                }
}

// Runs in a child whose address space allows only a little more than it
// holds already, so that a large allocation on the way fails the read.
[[noreturn]] void readWithLittleMemory(const fs::path& path) {
#ifndef __SANITIZE_ADDRESS__
    long pages = 0;
    std::ifstream("/proc/self/statm") >> pages;
    const rlim_t limit = static_cast<rlim_t>(pages) * 4096 + (rlim_t{256} << 20);
    const rlimit bound{limit, limit};
    setrlimit(RLIMIT_AS, &bound);
#endif
    try {
        readExr(path, kLimits);
    } catch (const ExrError& e) {
        std::fputs(e.what(), stderr);
        std::_Exit(3);
    }
    std::_Exit(0);
}

TEST(ExrIODeathTest, BadFilesAreRefusedClearlyWithoutLargeAllocations) {
    std::vector<std::pair<fs::path, std::string>> refused{
        {writeFile("z", "Z", Imf::FLOAT), "channels Z are neither R, G, B"},
        {writeFile("chroma", "Yrb", Imf::HALF), "luminance-chroma"},
        {writeFile("uint", "RGB", Imf::UINT), "unsigned integers"},
        {kDir / "text.exr", "text.exr' is not an OpenEXR file"}};
    std::ofstream(refused.back().first) << "not an image at all";
    // Headers claiming other data windows, and files cut short.
    const std::pair<std::array<int32_t, 4>, std::string> windows[] = {
        {{0, 0, 99999, 99999}, "100000x100000 has a side above the limit of 64"},
        {{0, 0, 60, 20}, "61x21 has more than the limit of 1000 pixels"},
        {{0, 0, 1 << 30, 1 << 30}, "not a readable OpenEXR header"}};
    for (const auto& [window, message] : windows) {
        const fs::path path = writeFile("window" + message.substr(0, 2), "RGB", Imf::HALF);
        std::fstream bytes(path, std::ios::in | std::ios::out | std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(bytes)), {});
        bytes.seekp(static_cast<std::streamoff>(content.find("dataWindow") + 21));
        bytes.write(reinterpret_cast<const char*>(window.data()), sizeof window);
        refused.emplace_back(path, message);
    }
    for (const bool tiled : {false, true})
        for (const uintmax_t keep : {40, 1000}) {
            const std::string name = "cut" + std::to_string(tiled) + std::to_string(keep);
            refused.emplace_back(writeFile(name, "RGB", Imf::HALF, tiled, Imf::NO_COMPRESSION),
                                 name + ".exr': ");
            fs::resize_file(refused.back().first,
                            std::min(keep, fs::file_size(refused.back().first) - 20));
        }
    for (const auto& [path, message] : refused)
        EXPECT_EXIT(readWithLittleMemory(path), testing::ExitedWithCode(3), message) << path;
}

}  // namespace
