// Reading back the picture a window shows.
#pragma once

#include <cstdint>
#include <vector>

namespace druvex {

// The pixels of the framebuffer just drawn (bound for drawing; the window's
// back buffer) as the window will show them: a multisampled picture is
// resolved into a single-sample framebuffer first, since reading it directly
// gives one sample per pixel. RGBA, 8 bits a channel, top row first; empty
// when nothing could be read. Leaves the framebuffer bindings as they were.
std::vector<uint8_t> read_window_pixels(int width, int height);

}  // namespace druvex
