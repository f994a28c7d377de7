// PNG encoding of screenshots.
#include "screenshot.h"

#include "platform/atomic_file.h"

#include <lodepng.h>

namespace druvex {

bool write_png_rgba(const std::string& path, int width, int height, std::vector<uint8_t> rgba,
                    std::string* reason) {
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4) {
        if (reason != nullptr) *reason = "no picture to save";
        return false;
    }
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    std::vector<unsigned char> png;
    if (const unsigned error =
            lodepng::encode(png, rgba, unsigned(width), unsigned(height), LCT_RGBA, 8)) {
        if (reason != nullptr) *reason = lodepng_error_text(error);
        return false;
    }
    return write_replacing(
        path,
        [&png](std::ostream& out) {
            out.write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size()));
            return bool(out);
        },
        reason);
}

}  // namespace druvex
