// GL, GLFW and the NanoVG-style context, in the order the layer needs them:
// epoxy first, then GLFW without its own GL header.
#pragma once

#include <epoxy/gl.h>
#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

#include <nanogui/common.h>
#include <nanovg.h>

namespace nanogui {
// NanoVG colour of a toolkit colour.
inline NVGcolor toNVG(const Color& c) { return nvgRGBAf(c[0], c[1], c[2], c[3]); }
// True for code points of the icon font (as opposed to image ids).
inline bool nvgIsFontIcon(int value) { return value >= 1024; }
}  // namespace nanogui
