// Private: the NanoVG-style context over Dear ImGui's draw list and font atlas.
#pragma once

#include <imgui.h>
#include <imgui_internal.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "nanovg.h"

struct NVGstate {
    NVGcolor fill;
    NVGcolor stroke;
    float strokeWidth = 1.0f;
    float alpha = 1.0f;
    std::string face = "sans";
    const std::vector<ImFont*>* faceFonts = nullptr;
    float fontSize = 16.0f;
    int align = NVG_ALIGN_LEFT | NVG_ALIGN_BASELINE;
    float tx = 0.0f, ty = 0.0f;
    bool scissor = false;
    float sx0 = 0, sy0 = 0, sx1 = 0, sy1 = 0;  // absolute logical units
};

struct NVGcontext {
    float pixelRatio = 1.0f;
    float width = 0.0f, height = 0.0f;
    std::unique_ptr<ImFontAtlas> atlas;
    std::map<std::string, std::vector<ImFont*>> faces;  // sorted by baked size
    std::unique_ptr<ImDrawListSharedData> shared;
    std::unique_ptr<ImDrawList> drawList;
    std::vector<NVGstate> stack;
    NVGstate state;
};

namespace nanogui {
namespace detail {
// Builds the fonts (CPU) and the draw list of a context; shared by the GL and
// the null backends.
NVGcontext* createContext(float pixelRatio);
// Clears the draw list and resets the state for a new frame.
void beginFrame(NVGcontext* ctx, float width, float height, float pixelRatio);
// After the GL renderer has uploaded the atlas (the texture id changed).
void refreshTextureId(NVGcontext* ctx);
}  // namespace detail
}  // namespace nanogui
