// PNG encoding of screenshots.
#include "screenshot.h"

#include "platform/safe_file.h"

#include <lodepng.h>

#include <cerrno>

namespace druvex {

bool write_png_rgba(const std::string& path, int width, int height, std::vector<uint8_t> rgba,
                    std::string* reason) {
    if (width <= 0 || height <= 0 || rgba.size() != size_t(width) * size_t(height) * 4) {
        if (reason != nullptr) *reason = "no picture to save";
        return false;
    }
    for (size_t i = 3; i < rgba.size(); i += 4) rgba[i] = 255;
    // Stored as RGBA, 8 bits a channel, whatever colours the picture happens
    // to use (the encoder would otherwise pick a palette for a dark frame).
    lodepng::State state;
    state.encoder.auto_convert = 0;
    state.info_raw.colortype = LCT_RGBA;
    state.info_raw.bitdepth = 8;
    state.info_png.color.colortype = LCT_RGBA;
    state.info_png.color.bitdepth = 8;
    std::vector<unsigned char> png;
    if (const unsigned error =
            lodepng::encode(png, rgba, unsigned(width), unsigned(height), state)) {
        if (reason != nullptr) *reason = lodepng_error_text(error);
        return false;
    }
    errno = 0;
    if (!write_file_atomically(path, std::string(png.begin(), png.end()))) {
        if (reason != nullptr) *reason = write_failure_reason(path, errno);
        return false;
    }
    return true;
}

}  // namespace druvex
