// zev-filter's OpenEXR module, reading files that the OpenEXR library writes.
#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfTiledOutputFile.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "ExrIO.h"

namespace {

using namespace ZevFilter;
namespace fs = std::filesystem;

const ExrLimits kLimits{64, 1000};
const Imath::Box2i kDisplay({0, 0}, {9, 7}), kData({-2, 3}, {3, 7});  // off the left edge
fs::path scratch(const std::string& name) {
    return fs::temp_directory_path() / ("zev-exr-" + std::to_string(getpid()) + name + ".exr");
}

// Above 1 and negative, exact in half, and apart for R, G, B and A.
float value(int x, int y, char c) { return static_cast<float>(x - 2 * y + c % 7) * 2.5F; }

// Channels by letter; lower case r and b stand for the chroma channels RY and BY.
fs::path writeFile(const std::string& name, const std::string& channels, Imf::PixelType type,
                   bool tiled = false, Imf::Compression compression = Imf::ZIP_COMPRESSION) {
    Imf::Header header(kDisplay, kData, 1, {0, 0}, 1, Imf::INCREASING_Y, compression);
    std::vector<std::vector<uint32_t>> planes;  // one sample in each word
    Imf::FrameBuffer frame;
    for (const char channel : channels) {
        const std::string channelName =
            std::string(1, char(std::toupper(channel))) + (std::islower(channel) != 0 ? "Y" : "");
        header.channels().insert(channelName, Imf::Channel(type));
        auto& plane = planes.emplace_back();
        for (int i = 0; i < 30; ++i) {  // the data window's 6x5 pixels
            const float v = value(kData.min.x + i % 6, kData.min.y + i / 6, channel);
            uint32_t word = half(v).bits();  // in the first bytes, on a little-endian machine
            if (type == Imf::FLOAT) std::memcpy(&word, &v, sizeof v);
            plane.push_back(word);
        }
        frame.insert(channelName, Imf::Slice::Make(type, plane.data(), kData, 4));
    }
    fs::path path = scratch(name);
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
    const Imf::Compression compressions[] = {Imf::NO_COMPRESSION, Imf::ZIP_COMPRESSION,
                                             Imf::PIZ_COMPRESSION};
    const std::string layouts[] = {"RGBA", "RGB", "YA", "Y"};  // in ExrLayout's order
    for (int n = 0; n < 48; ++n) {
        const auto [type, layout] = std::pair(ExrChannelType(n % 2), ExrLayout(n / 2 % 4));
        const std::string& channels = layouts[n / 2 % 4];
        SCOPED_TRACE(channels + " case " + std::to_string(n));
        const fs::path in = writeFile("in", channels, n % 2 ? Imf::FLOAT : Imf::HALF, n / 8 % 2,
                                      compressions[n / 16]);
        const ExrImage image = readExr(in, kLimits);
        EXPECT_EQ(std::tie(image.channelType, image.layout, image.displayWindow, image.dataWindow),
                  std::make_tuple(type, layout, ExrBox{0, 0, 9, 7}, ExrBox{-2, 3, 3, 7}));
        for (size_t i = 0; i < image.rgba.size(); ++i) {
            const char source = channels[0] == 'Y' && i % 4 < 3 ? 'Y' : "RGBA"[i % 4];
            const int x = static_cast<int>(i / 4 % 6) - 2, y = static_cast<int>(i / 24) + 3;
            const bool absent = channels.find(source) == std::string::npos;
            ASSERT_EQ(image.rgba[i], absent ? 1.0F : value(x, y, source)) << i;
        }
        const fs::path out = scratch("out");
        std::FILE* file = std::fopen(out.c_str(), "wb");
        writeExr(file, out, image);
        std::fclose(file);
        EXPECT_EQ(Imf::InputFile(out.c_str()).header().compression(), Imf::ZIP_COMPRESSION);
        const ExrImage back = readExr(out, kLimits);
        EXPECT_EQ(
            std::tie(back.rgba, back.channelType, back.layout, back.displayWindow, back.dataWindow),
            std::tie(image.rgba, type, layout, image.displayWindow, image.dataWindow));
        fs::remove(in);
        fs::remove(out);
    }
}

// Runs in a child whose address space allows only a little more than it
// holds already, so that a large allocation on the way fails the read.
[[noreturn]] void readWithLittleMemory(const fs::path& path) {
#ifndef __SANITIZE_ADDRESS__  // its shadow memory needs a vast address space
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
        {scratch("text"), "text.exr' is not an OpenEXR file"}};
    std::ofstream(refused.back().first) << "not an image at all";
    // Headers claiming other data windows, and files cut short.
    const std::pair<std::array<int32_t, 4>, std::string> windows[] = {
        {{0, 0, 99999, 99999}, "100000x100000 has a side above the limit of 64"},
        {{0, 0, 60, 20}, "61x21 has more than the limit of 1000 pixels"},
        {{0, 0, 1 << 30, 1 << 30}, "not a readable OpenEXR header"}};
    for (const auto& [window, message] : windows) {
        refused.emplace_back(writeFile(message.substr(0, 2), "RGB", Imf::HALF), message);
        std::fstream bytes(refused.back().first, std::ios::in | std::ios::out | std::ios::binary);
        const std::string content((std::istreambuf_iterator<char>(bytes)), {});
        bytes.seekp(static_cast<std::streamoff>(content.find("dataWindow") + 21));
        bytes.write(reinterpret_cast<const char*>(window.data()), sizeof window);
    }
    for (const uintmax_t keep : {40, 41, 1000, 1001}) {  // odd: tiled
        const std::string name = "cut" + std::to_string(keep);
        refused.emplace_back(writeFile(name, "RGB", Imf::HALF, keep % 2, Imf::NO_COMPRESSION),
                             name + ".exr': ");
        fs::resize_file(refused.back().first,
                        std::min(keep, fs::file_size(refused.back().first) - 20));
    }
    for (const auto& [path, message] : refused) {
        EXPECT_EXIT(readWithLittleMemory(path), testing::ExitedWithCode(3), message) << path;
        fs::remove(path);
    }
}

}  // namespace
