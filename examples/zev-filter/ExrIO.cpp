// OpenEXR files. The header is parsed first by the library's C core, which
// checks every attribute against the real file size instead of trusting it;
// only a header that passes that and our limits reaches the C++ interface,
// whose constructors size their buffers and offset tables from the header.
#include "ExrIO.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <ImfOutputFile.h>
#include <ImfStdIO.h>
#include <openexr.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <initializer_list>

namespace ZevFilter {

namespace {

std::string quoted(const std::string& path) { return "'" + path + "'"; }

[[noreturn]] void refuse(const std::string& path, const std::string& why) {
    throw ExrError(quoted(path) + ": " + why);
}

ExrBox boxOf(const exr_attr_box2i_t& box) { return {box.min.x, box.min.y, box.max.x, box.max.y}; }

Imath::Box2i boxOf(const ExrBox& box) {
    return {Imath::V2i(box.minX, box.minY), Imath::V2i(box.maxX, box.maxY)};
}

std::string sizeText(uint64_t width, uint64_t height) {
    return std::to_string(width) + "x" + std::to_string(height);
}

// The file's header as the C core parsed it; the core's own messages are
// collected rather than printed, so that they can go into our error.
class CoreHeader {
public:
    explicit CoreHeader(const std::string& path) : path_(path) {
        exr_context_initializer_t init = EXR_DEFAULT_CONTEXT_INITIALIZER;
        init.user_data = &messages_;
        init.error_handler_fn = &CoreHeader::collect;
        if (exr_start_read(&context_, path.c_str(), &init) != EXR_ERR_SUCCESS)
            refuse(path, "not a readable OpenEXR header (" + messages_ + ")");
    }
    ~CoreHeader() { exr_finish(&context_); }
    CoreHeader(const CoreHeader&) = delete;
    CoreHeader& operator=(const CoreHeader&) = delete;

    // Fails unless the first part's attribute is there and valid.
    void check(exr_result_t result, const char* what) const {
        if (result != EXR_ERR_SUCCESS)
            refuse(path_, std::string("cannot read the ") + what + " (" +
                              exr_get_error_code_as_string(result) + ")");
    }
    exr_const_context_t get() const { return context_; }

private:
    static void collect(exr_const_context_t context, exr_result_t, const char* message) {
        void* data = nullptr;
        if (exr_get_user_data(context, &data) != EXR_ERR_SUCCESS || data == nullptr) return;
        auto& messages = *static_cast<std::string*>(data);
        if (!messages.empty()) messages += "; ";
        messages += message;
    }

    std::string path_;
    std::string messages_;
    exr_context_t context_ = nullptr;
};

void checkLimits(const std::string& path, const CoreHeader& header, const ExrBox& data,
                 const ExrLimits& limits) {
    const uint64_t width = data.width();
    const uint64_t height = data.height();
    if (width > limits.maxSide || height > limits.maxSide)
        refuse(path, "data window " + sizeText(width, height) + " has a side above the limit of " +
                         std::to_string(limits.maxSide));
    if (width * height > limits.maxPixels)
        refuse(path, "data window " + sizeText(width, height) + " has more than the limit of " +
                         std::to_string(limits.maxPixels) + " pixels");

    exr_storage_t storage = EXR_STORAGE_LAST_TYPE;
    header.check(exr_get_storage(header.get(), 0, &storage), "storage type");
    if (storage == EXR_STORAGE_DEEP_SCANLINE || storage == EXR_STORAGE_DEEP_TILED)
        refuse(path, "deep images are not supported");
    if (storage != EXR_STORAGE_TILED) return;
    // The C++ reader allocates a whole tile per buffer.
    uint32_t tileWidth = 0;
    uint32_t tileHeight = 0;
    exr_tile_level_mode_t levels{};
    exr_tile_round_mode_t rounding{};
    header.check(
        exr_get_tile_descriptor(header.get(), 0, &tileWidth, &tileHeight, &levels, &rounding),
        "tile description");
    if (tileWidth > limits.maxSide || tileHeight > limits.maxSide ||
        uint64_t{tileWidth} * tileHeight > limits.maxPixels)
        refuse(path, "tiles of " + sizeText(tileWidth, tileHeight) + " are above the limits");
}

// Works out the layout and channel type from the channel list, refusing
// anything we would have to guess at.
void readChannels(const std::string& path, const CoreHeader& header, ExrImage& image) {
    const exr_attr_chlist_t* channels = nullptr;
    header.check(exr_get_channels(header.get(), 0, &channels), "channel list");
    bool r = false, g = false, b = false, a = false, y = false;
    bool anyFloat = false;
    std::string names;
    for (int i = 0; i < channels->num_channels; ++i) {
        const exr_attr_chlist_entry_t& channel = channels->entries[i];
        const std::string name(channel.name.str, static_cast<size_t>(channel.name.length));
        names += (names.empty() ? "" : ", ") + name;
        bool* known = name == "R"   ? &r
                      : name == "G" ? &g
                      : name == "B" ? &b
                      : name == "A" ? &a
                      : name == "Y" ? &y
                                    : nullptr;
        if (name == "RY" || name == "BY")
            refuse(path, "luminance-chroma images (RY, BY) are not supported");
        if (known == nullptr) continue;  // extra channels (depth, masks) are left unread
        if (channel.pixel_type != EXR_PIXEL_HALF && channel.pixel_type != EXR_PIXEL_FLOAT)
            refuse(path, "channel " + name + " holds unsigned integers, not half or float");
        if (channel.x_sampling != 1 || channel.y_sampling != 1)
            refuse(path, "channel " + name + " is subsampled");
        *known = true;
        anyFloat = anyFloat || channel.pixel_type == EXR_PIXEL_FLOAT;
    }
    if (r && g && b)
        image.layout = a ? ExrLayout::Rgba : ExrLayout::Rgb;
    else if (y && !r && !g && !b)
        image.layout = a ? ExrLayout::Ya : ExrLayout::Y;
    else
        refuse(path, "channels " + (names.empty() ? std::string("(none)") : names) +
                         " are neither R, G, B (and A) nor Y (and A)");
    image.channelType = anyFloat ? ExrChannelType::Float : ExrChannelType::Half;
}

// An open file as the library's output stream. Offsets in the file are
// counted from where writing started.
class FileStream : public Imf::OStream {
public:
    FileStream(std::FILE* file, const std::string& name)
        : Imf::OStream(name.c_str()), file_(file), start_(ftello(file)) {}

    // Only a file that can seek can take the library's writes directly.
    bool seekable() const { return start_ >= 0; }

    void write(const char data[], int size) override { writeAll(data, static_cast<size_t>(size)); }
    void writeAll(const char* data, size_t size) {
        if (std::fwrite(data, 1, size, file_) != size) fail();
    }
    uint64_t tellp() override {
        const off_t position = ftello(file_);
        if (position < 0) fail();
        return static_cast<uint64_t>(position - start_);
    }
    void seekp(uint64_t position) override {
        if (fseeko(file_, start_ + static_cast<off_t>(position), SEEK_SET) != 0) fail();
    }
    // The library ignores failures as it finishes a file; they show here.
    void flush() {
        if (std::fflush(file_) != 0 || std::ferror(file_) != 0) fail();
    }

private:
    [[noreturn]] static void fail() { throw std::runtime_error(std::strerror(errno)); }

    std::FILE* file_;
    off_t start_;
};

// Points a slice at one component of the interleaved RGBA floats.
Imf::Slice componentSlice(const std::vector<float>& rgba, const ExrBox& window, size_t component,
                          double fill = 0.0) {
    return Imf::Slice::Make(Imf::FLOAT, rgba.data() + component, boxOf(window), 4 * sizeof(float),
                            0, 1, 1, fill);
}

}  // namespace

bool isExrFile(const std::string& path) {
    constexpr std::array<char, 4> kMagic{0x76, 0x2f, 0x31, 0x01};
    std::array<char, 4> start{};
    std::ifstream file(path, std::ios::binary);
    return file.read(start.data(), start.size()) && start == kMagic;
}

ExrReader::ExrReader(const std::string& path, const ExrLimits& limits) : path_(path) {
    if (!std::ifstream(path, std::ios::binary))
        throw ExrError("cannot read " + quoted(path) + ": " + std::strerror(errno));
    if (!isExrFile(path)) throw ExrError(quoted(path) + " is not an OpenEXR file");

    const CoreHeader header(path);
    exr_attr_box2i_t window{};
    header.check(exr_get_data_window(header.get(), 0, &window), "data window");
    header_.dataWindow = boxOf(window);
    header.check(exr_get_display_window(header.get(), 0, &window), "display window");
    header_.displayWindow = boxOf(window);
    checkLimits(path, header, header_.dataWindow, limits);
    readChannels(path, header, header_);
}

ExrImage readExr(const std::string& path, const ExrLimits& limits) {
    return ExrReader(path, limits).read();
}

ExrImage ExrReader::read() {
    ExrImage image = header_;
    try {
        Imf::InputFile file(path_.c_str());
        image.rgba.assign(image.width() * image.height() * 4, 0.0F);
        const bool grey = image.layout == ExrLayout::Y || image.layout == ExrLayout::Ya;
        Imf::FrameBuffer frame;
        if (grey) {
            frame.insert("Y", componentSlice(image.rgba, image.dataWindow, 0));
        } else {
            for (const auto& [name, component] : {std::pair{"R", 0}, {"G", 1}, {"B", 2}})
                frame.insert(name, componentSlice(image.rgba, image.dataWindow, component));
        }
        frame.insert("A", componentSlice(image.rgba, image.dataWindow, 3, 1.0));
        file.setFrameBuffer(frame);
        file.readPixels(image.dataWindow.minY, image.dataWindow.maxY);
        if (grey) {
            for (size_t i = 0; i < image.rgba.size(); i += 4)
                image.rgba[i + 1] = image.rgba[i + 2] = image.rgba[i];
        }
    } catch (const std::exception& e) {
        refuse(path_, e.what());
    }
    return image;
}

void writeExr(std::FILE* file, const std::string& name, const ExrImage& image,
              ExrCompression compression) {
    if (image.rgba.size() != image.width() * image.height() * 4)
        throw ExrError("cannot write " + quoted(name) + ": the pixels do not fill the data window");
    const Imf::PixelType type = image.channelType == ExrChannelType::Half ? Imf::HALF : Imf::FLOAT;
    const Imf::Compression method = compression == ExrCompression::None  ? Imf::NO_COMPRESSION
                                    : compression == ExrCompression::Piz ? Imf::PIZ_COMPRESSION
                                                                         : Imf::ZIP_COMPRESSION;
    Imf::Header header(boxOf(image.displayWindow), boxOf(image.dataWindow), 1.0F, Imath::V2f(0, 0),
                       1.0F, Imf::INCREASING_Y, method);
    const bool grey = image.layout == ExrLayout::Y || image.layout == ExrLayout::Ya;
    const bool alpha = image.layout == ExrLayout::Rgba || image.layout == ExrLayout::Ya;

    // The writer wants samples of the channel type, so half output gets a
    // converted copy; luminance goes in the red component, where Y reads it.
    std::vector<float> luminance;
    if (grey) {
        luminance = image.rgba;
        for (size_t i = 0; i < luminance.size(); i += 4)
            luminance[i] = static_cast<float>(0.2126 * luminance[i] + 0.7152 * luminance[i + 1] +
                                              0.0722 * luminance[i + 2]);
    }
    const std::vector<float>& floats = grey ? luminance : image.rgba;
    std::vector<half> halves;
    if (type == Imf::HALF) halves.assign(floats.begin(), floats.end());
    const void* samples =
        type == Imf::HALF ? static_cast<const void*>(halves.data()) : floats.data();
    const size_t sampleSize = type == Imf::HALF ? sizeof(half) : sizeof(float);

    Imf::FrameBuffer frame;
    auto add = [&](const char* name, size_t component) {
        header.channels().insert(name, Imf::Channel(type));
        frame.insert(
            name, Imf::Slice::Make(type, static_cast<const char*>(samples) + component * sampleSize,
                                   boxOf(image.dataWindow), 4 * sampleSize));
    };
    if (grey) {
        add("Y", 0);
    } else {
        add("R", 0);
        add("G", 1);
        add("B", 2);
    }
    if (alpha) add("A", 3);

    try {
        FileStream direct(file, name);
        Imf::StdOSStream inMemory;
        const bool seekable = direct.seekable();
        {
            Imf::OutputFile exr(seekable ? static_cast<Imf::OStream&>(direct) : inMemory, header);
            exr.setFrameBuffer(frame);
            exr.writePixels(static_cast<int>(image.height()));
        }
        if (!seekable) {
            const std::string bytes = inMemory.str();
            direct.writeAll(bytes.data(), bytes.size());
        }
        direct.flush();
    } catch (const std::exception& e) {
        throw ExrError("cannot write " + quoted(name) + ": " + e.what());
    }
}

}  // namespace ZevFilter
