// NanoVG-style 2-D text context of the project's toolkit layer.
//
// Only the subset of NanoVG the viewer uses (text, colour, save/restore,
// translation and scissor) plus a few shape calls the toolkit's own widgets
// draw with. Everything is drawn into the owning screen's Dear ImGui draw list
// and rendered by nanogui::Screen::drawWidgets(); coordinates are logical
// window units (framebuffer = logical x pixel ratio).
//
// Contexts are made by nanogui::Screen. nvgCreateContext() makes a context
// without any GL (fonts are baked on the CPU), which is what the tests and
// headless screens use: measuring text and "drawing" work, nothing is shown.
#pragma once

struct NVGcontext;

struct NVGcolor {
    union {
        float rgba[4];
        struct {
            float r, g, b, a;
        };
    };
};

enum NVGalign {
    // Horizontal align
    NVG_ALIGN_LEFT = 1 << 0,
    NVG_ALIGN_CENTER = 1 << 1,
    NVG_ALIGN_RIGHT = 1 << 2,
    // Vertical align
    NVG_ALIGN_TOP = 1 << 3,
    NVG_ALIGN_MIDDLE = 1 << 4,
    NVG_ALIGN_BOTTOM = 1 << 5,
    NVG_ALIGN_BASELINE = 1 << 6,
};

struct NVGglyphPosition {
    const char* str;   // start of the glyph in the input string
    float x;           // logical x of the glyph's left edge
    float minx, maxx;  // bounds of the glyph cell
};

struct NVGtextRow {
    const char* start;  // start of the row in the input string
    const char* end;    // end of the row (exclusive, without trailing spaces/newline)
    const char* next;   // start of the next row
    float width;        // advance width of the row
    float minx, maxx;
};

// ---- colours ---------------------------------------------------------------
NVGcolor nvgRGB(unsigned char r, unsigned char g, unsigned char b);
NVGcolor nvgRGBf(float r, float g, float b);
NVGcolor nvgRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a);
NVGcolor nvgRGBAf(float r, float g, float b, float a);

// ---- state -----------------------------------------------------------------
void nvgSave(NVGcontext* ctx);
void nvgRestore(NVGcontext* ctx);
// Resets the current state: fill white, face "sans", size 16, align LEFT|BASELINE,
// no translation, no scissor.
void nvgReset(NVGcontext* ctx);
void nvgFillColor(NVGcontext* ctx, NVGcolor color);
void nvgStrokeColor(NVGcontext* ctx, NVGcolor color);
void nvgStrokeWidth(NVGcontext* ctx, float width);
void nvgGlobalAlpha(NVGcontext* ctx, float alpha);
void nvgTranslate(NVGcontext* ctx, float x, float y);
void nvgScissor(NVGcontext* ctx, float x, float y, float w, float h);
void nvgIntersectScissor(NVGcontext* ctx, float x, float y, float w, float h);
void nvgResetScissor(NVGcontext* ctx);

// ---- text ------------------------------------------------------------------
// Faces: "sans" (Roboto Regular), "sans-bold" (Roboto Bold), "icons" (Entypo
// with a merged fallback). An unknown face falls back to "sans".
void nvgFontSize(NVGcontext* ctx, float size);
void nvgFontFace(NVGcontext* ctx, const char* font);
void nvgTextAlign(NVGcontext* ctx, int align);
// Draws one line of text; returns the x where the next character would go.
float nvgText(NVGcontext* ctx, float x, float y, const char* string, const char* end);
// Draws text broken into rows of at most breakRowWidth (at spaces and "\n");
// each row is aligned horizontally within breakRowWidth.
void nvgTextBox(NVGcontext* ctx, float x, float y, float breakRowWidth, const char* string,
                const char* end);
// Bounds [xmin, ymin, xmax, ymax] (may be null) of one line; returns the advance.
float nvgTextBounds(NVGcontext* ctx, float x, float y, const char* string, const char* end,
                    float* bounds);
void nvgTextBoxBounds(NVGcontext* ctx, float x, float y, float breakRowWidth, const char* string,
                      const char* end, float* bounds);
// Line metrics of the current face and size (descender is negative).
void nvgTextMetrics(NVGcontext* ctx, float* ascender, float* descender, float* lineh);
int nvgTextGlyphPositions(NVGcontext* ctx, float x, float y, const char* string, const char* end,
                          NVGglyphPosition* positions, int maxPositions);
int nvgTextBreakLines(NVGcontext* ctx, const char* string, const char* end, float breakRowWidth,
                      NVGtextRow* rows, int maxRows);

// ---- a few shapes (immediate, filled with the fill colour / stroked with the stroke colour)
void nvgFillRect(NVGcontext* ctx, float x, float y, float w, float h, float radius);
void nvgStrokeRect(NVGcontext* ctx, float x, float y, float w, float h, float radius);
// Vertical gradient from top to bottom colour inside a rounded rectangle.
void nvgFillRectGradient(NVGcontext* ctx, float x, float y, float w, float h, float radius,
                         NVGcolor top, NVGcolor bottom);
void nvgFillCircle(NVGcontext* ctx, float cx, float cy, float r);
void nvgStrokeCircle(NVGcontext* ctx, float cx, float cy, float r);
void nvgFillTriangle(NVGcontext* ctx, float x0, float y0, float x1, float y1, float x2, float y2);
void nvgLine(NVGcontext* ctx, float x0, float y0, float x1, float y1);
// Soft shadow of a rounded rectangle, fading out over `feather` units.
void nvgDropShadow(NVGcontext* ctx, float x, float y, float w, float h, float radius, float feather,
                   NVGcolor inner);
// A GL 2-D texture (id) stretched over the rectangle, uv (0,0) at the top left.
void nvgImage(NVGcontext* ctx, unsigned int texture, float x, float y, float w, float h, float u0,
              float v0, float u1, float v1);

// ---- contexts without GL (tests, headless screens) -------------------------
NVGcontext* nvgCreateContext(float pixelRatio);
void nvgDeleteContext(NVGcontext* ctx);
// Starts a frame: empty draw list and a reset state.
void nvgBeginFrame(NVGcontext* ctx, float windowWidth, float windowHeight, float pixelRatio);
// Number of vertices drawn into the current frame (for tests).
int nvgFrameVertexCount(NVGcontext* ctx);
// Bounding box [xmin, ymin, xmax, ymax] of everything drawn into the current
// frame since `firstVertex` (vertex index from nvgFrameVertexCount); returns 0
// when nothing was drawn (for tests).
int nvgFrameBounds(NVGcontext* ctx, int firstVertex, float* bounds);
// True when the face has a glyph for the code point (for tests).
int nvgFaceHasGlyph(NVGcontext* ctx, const char* face, unsigned int codepoint);
