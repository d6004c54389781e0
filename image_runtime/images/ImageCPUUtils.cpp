// The failure path of the per-pixel conversions, kept out of line so that the
// inline access code stays small and free of string handling.
#include "image_runtime/images/ImageCPUUtils.h"

#include <sstream>

#include "zev_core/Exceptions.h"
#include "zev_core/Throw.h"

namespace ZEV::ImageCPUUtilsDetail {

void throwInvalidInputImageType(int line) {
    std::ostringstream message;
    message << "Invalid input image type";
    throwAt<InternalException>("image_runtime/images/ImageCPUUtils", line, message.str());
}

}  // namespace ZEV::ImageCPUUtilsDetail
