// Writes screenshots as PNG files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace druvex {

// `rgba` holds width x height pixels, top row first. They are stored opaque:
// what blending left in the framebuffer's alpha is no part of the picture.
// The file replaces `path` only when complete; false with the reason otherwise.
bool write_png_rgba(const std::string& path, int width, int height, std::vector<uint8_t> rgba,
                    std::string* reason);

}  // namespace druvex
