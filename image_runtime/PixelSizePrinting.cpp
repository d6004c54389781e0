// Printing of pixel-size maps and input/output pixel-size sets.
#include "image_runtime/PixelSizePrinting.h"

#include <ostream>

#include "zev_core/FilteringStream.h"
#include "zev_core/Logging.h"
#include "zev_core/Rect.h"

namespace ZEV {

std::ostream& operator<<(std::ostream& os, const std::map<std::string, float2>& sizes) {
    for (const auto& [name, pixelSize] : sizes) os << name << "  " << pixelSize << "\n";
    return os;
}

std::ostream& operator<<(std::ostream& os, const InputOutputImagePixelSizeSet& set) {
    // The headers go to os directly and only the entries through the indenting
    // stream; it buffers nothing, so both reach os's buffer in writing order.
    Logging::FilteringOStream<Logging::LoggingInserter> entries(os);
    entries.inserter().setIndent(2);
    os << "Input images:\n";
    entries << set.inputPixelSizes;
    os << "\n";
    os << "Output images:\n";
    entries << set.outputPixelSizes;
    os << "\n";
    return os;
}

}  // namespace ZEV
