// NanoVG-style text and shape calls drawn into a Dear ImGui draw list.
#include "nvg_context.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>

namespace {

// ---- fonts -------------------------------------------------------------------

const char* const kSansPaths[] = {
    "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Regular.ttf",
    "/usr/share/fonts/truetype/roboto/unhinted/Roboto-Regular.ttf",
    "/usr/share/fonts/truetype/roboto/hinted/Roboto-Regular.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};
const char* const kSansBoldPaths[] = {
    "/usr/share/fonts/truetype/roboto/unhinted/RobotoTTF/Roboto-Bold.ttf",
    "/usr/share/fonts/truetype/roboto/unhinted/Roboto-Bold.ttf",
    "/usr/share/fonts/truetype/roboto/hinted/Roboto-Bold.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
};
const char* const kIconPaths[] = {
    "/usr/share/fonts/truetype/fonts-entypo/entypo.ttf",
    "/usr/share/fonts/truetype/entypo/entypo.ttf",
};
const char* const kIconFallbackPaths[] = {
    "/usr/share/fonts/truetype/ancient-scripts/Symbola_hint.ttf",
    "/usr/share/fonts/truetype/ancient-scripts/Symbola.ttf",
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
};

// Font files are read once per process and shared by every atlas (the atlas
// does not own the data).
struct FontFile {
    std::vector<char> data;
};

const FontFile* loadFontFile(const char* path) {
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<FontFile>> cache;
    std::lock_guard<std::mutex> lock(mutex);
    auto it = cache.find(path);
    if (it != cache.end()) return it->second.get();
    std::unique_ptr<FontFile> file;
    std::ifstream in(path, std::ios::binary);
    if (in) {
        file = std::make_unique<FontFile>();
        file->data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (file->data.empty()) file.reset();
    }
    const FontFile* result = file.get();
    cache.emplace(path, std::move(file));
    return result;
}

template <size_t N>
const FontFile* firstFontFile(const char* const (&paths)[N]) {
    for (const char* p : paths)
        if (const FontFile* f = loadFontFile(p)) return f;
    return nullptr;
}

// Glyph ranges (static: the atlas keeps the pointers until it is built).
const ImWchar kTextRanges[] = {0x0020, 0x017F, 0x2010, 0x2027, 0x2030, 0x203A,
                               0x20AC, 0x20AC, 0x2190, 0x2193, 0};
const ImWchar kIconRanges[] = {0x2000, 0x2BFF, 0xE000, 0xE7FF, 0xF300, 0xF6FF, 0};
// Only what Entypo lacks (the pause bars); a wide range would bake thousands of glyphs.
const ImWchar kIconFallbackRanges[] = {0x2016, 0x2016, 0};

// Logical sizes the toolkit and the viewer draw text at.
const float kTextSizes[] = {14, 15, 16, 18, 20, 30};
const float kIconScales[] = {1.5f, 1.8f};

ImFont* addFont(ImFontAtlas* atlas, const FontFile* file, float pixels, const ImWchar* ranges,
                bool merge = false) {
    ImFontConfig cfg;
    cfg.FontDataOwnedByAtlas = false;
    cfg.OversampleH = 2;
    cfg.OversampleV = 1;
    cfg.PixelSnapH = false;
    cfg.MergeMode = merge;
    std::snprintf(cfg.Name, sizeof(cfg.Name), "%.1fpx", pixels);
    if (!file) {
        cfg.SizePixels = pixels;
        return atlas->AddFontDefault(&cfg);
    }
    return atlas->AddFontFromMemoryTTF(const_cast<char*>(file->data.data()), (int)file->data.size(),
                                       pixels, &cfg, ranges);
}

void warnMissing(const char* what) {
    static bool warned = false;
    if (!warned) {
        std::fprintf(
            stderr,
            "nanogui: font \"%s\" not found (install the font packages); using a fallback\n", what);
        warned = true;
    }
}

// ---- state helpers -----------------------------------------------------------

inline ImU32 toU32(const NVGcolor& c, float alpha) {
    auto cl = [](float v) { return v < 0.f ? 0.f : (v > 1.f ? 1.f : v); };
    return IM_COL32((int)(cl(c.r) * 255.f + 0.5f), (int)(cl(c.g) * 255.f + 0.5f),
                    (int)(cl(c.b) * 255.f + 0.5f), (int)(cl(c.a * alpha) * 255.f + 0.5f));
}

ImFont* pickFont(NVGcontext* ctx) {
    const NVGstate& s = ctx->state;
    const std::vector<ImFont*>* fonts = s.faceFonts;
    if (!fonts || fonts->empty()) {
        auto it = ctx->faces.find("sans");
        if (it == ctx->faces.end() || it->second.empty()) return nullptr;
        fonts = &it->second;
    }
    float px = s.fontSize * ctx->pixelRatio;
    ImFont* best = (*fonts)[0];
    float bestDiff = std::fabs(best->FontSize - px);
    for (ImFont* f : *fonts) {
        float d = std::fabs(f->FontSize - px);
        if (d < bestDiff || (d == bestDiff && f->FontSize > best->FontSize)) {
            best = f;
            bestDiff = d;
        }
    }
    return best;
}

struct Metrics {
    ImFont* font = nullptr;
    float size = 0;
    float scale = 1;  // logical units per baked pixel
    float ascender = 0, descender = 0, lineh = 0;
};

Metrics metrics(NVGcontext* ctx) {
    Metrics m;
    m.font = pickFont(ctx);
    m.size = std::max(ctx->state.fontSize, 0.0f);
    if (!m.font || m.font->FontSize <= 0) return m;
    m.scale = m.size / m.font->FontSize;
    m.ascender = IM_ROUND(m.font->Ascent) * m.scale;
    m.descender = m.font->Descent * m.scale;
    m.lineh = m.ascender - m.descender;
    return m;
}

// Offset of the baseline from the anchor y for the vertical alignment.
float baselineOffset(const Metrics& m, int align) {
    if (align & NVG_ALIGN_TOP) return m.ascender;
    if (align & NVG_ALIGN_MIDDLE) return (m.ascender + m.descender) * 0.5f;
    if (align & NVG_ALIGN_BOTTOM) return m.descender;
    return 0.0f;
}

float advance(const Metrics& m, const char* s, const char* end) {
    if (!m.font || !s || s == end) return 0.0f;
    float w = 0.0f;
    const char* p = s;
    while (p < end && *p) {
        unsigned int c = 0;
        int n = ImTextCharFromUtf8(&c, p, end);
        if (n <= 0) break;
        p += n;
        if (c == '\n' || c == '\r') continue;
        w += m.font->GetCharAdvance((ImWchar)(c <= 0xFFFF ? c : 0xFFFD)) * m.scale;
    }
    return w;
}

const char* endOf(const char* s, const char* end) { return end ? end : s + std::strlen(s); }

float snap(NVGcontext* ctx, float v) { return std::round(v * ctx->pixelRatio) / ctx->pixelRatio; }

struct ClipScope {
    ImDrawList* dl;
    bool pushed = false;
    ClipScope(NVGcontext* ctx) : dl(ctx->drawList.get()) {
        const NVGstate& s = ctx->state;
        if (s.scissor) {
            dl->PushClipRect(ImVec2(s.sx0, s.sy0),
                             ImVec2(std::max(s.sx0, s.sx1), std::max(s.sy0, s.sy1)), false);
            pushed = true;
        }
    }
    ~ClipScope() {
        if (pushed) dl->PopClipRect();
    }
    bool empty(NVGcontext* ctx) const {
        const NVGstate& s = ctx->state;
        return s.scissor && (s.sx1 <= s.sx0 || s.sy1 <= s.sy0);
    }
};

// One line of text, left-aligned at x, baseline at `baseline` (context units).
void drawLine(NVGcontext* ctx, const Metrics& m, float x, float baseline, const char* s,
              const char* end) {
    if (!m.font || s == end || m.size <= 0) return;
    ImU32 col = toU32(ctx->state.fill, ctx->state.alpha);
    if ((col & IM_COL32_A_MASK) == 0) return;
    ClipScope clip(ctx);
    if (clip.empty(ctx)) return;
    float top = baseline - m.ascender;
    ImVec2 pos(snap(ctx, x + ctx->state.tx), snap(ctx, top + ctx->state.ty));
    // Skip line breaks: nvgText draws a single line.
    const char* p = s;
    while (p < end) {
        const char* q = p;
        while (q < end && *q != '\n' && *q != '\r') ++q;
        if (q > p) {
            ctx->drawList->AddText(m.font, m.size, pos, col, p, q);
            pos.x += advance(m, p, q);
        }
        p = q < end ? q + 1 : q;
    }
}

}  // namespace

// ---- context lifetime -----------------------------------------------------------

namespace nanogui {
namespace detail {

NVGcontext* createContext(float pixelRatio) {
    auto* ctx = new NVGcontext();
    ctx->pixelRatio = pixelRatio > 0 ? pixelRatio : 1.0f;
    ctx->atlas = std::make_unique<ImFontAtlas>();
    ImFontAtlas* atlas = ctx->atlas.get();
    atlas->TexDesiredWidth = 2048;

    const FontFile* sans = firstFontFile(kSansPaths);
    const FontFile* bold = firstFontFile(kSansBoldPaths);
    const FontFile* icons = firstFontFile(kIconPaths);
    const FontFile* iconFallback = firstFontFile(kIconFallbackPaths);
    if (!sans) warnMissing("Roboto-Regular");
    if (!bold) warnMissing("Roboto-Bold");
    if (!icons) warnMissing("entypo");

    const float pr = ctx->pixelRatio;
    for (float s : kTextSizes) {
        ctx->faces["sans"].push_back(addFont(atlas, sans, s * pr, kTextRanges));
        ctx->faces["sans-bold"].push_back(addFont(atlas, bold ? bold : sans, s * pr, kTextRanges));
    }
    std::vector<float> iconSizes;
    for (float s : kTextSizes)
        for (float k : kIconScales) iconSizes.push_back(std::round(s * k * pr * 2.0f) / 2.0f);
    std::sort(iconSizes.begin(), iconSizes.end());
    iconSizes.erase(std::unique(iconSizes.begin(), iconSizes.end()), iconSizes.end());
    std::vector<int> pauseRects;
    for (float px : iconSizes) {
        // Entypo first: in a merged ImGui font the first font with a glyph wins.
        ImFont* f = addFont(atlas, icons ? icons : iconFallback, px, kIconRanges);
        if (icons && iconFallback) addFont(atlas, iconFallback, px, kIconFallbackRanges, true);
        ctx->faces["icons"].push_back(f);
        if (icons) {
            // The pause bars (U+2016) drawn to match Entypo's play and stop
            // glyphs (a text font's double bar is thin). Custom glyphs are added
            // last, so this one is the face's U+2016.
            int w = std::max(3, (int)std::lround(px * 0.55f));
            int h = std::max(4, (int)std::lround(px * 0.63f));
            pauseRects.push_back(atlas->AddCustomRectFontGlyph(
                f, 0x2016, w, h, (float)w + std::round(px * 0.04f),
                ImVec2(std::round(px * 0.02f), std::round(px * 0.2f))));
        }
    }
    atlas->Build();
    if (atlas->TexPixelsAlpha8) {
        for (int id : pauseRects) {
            const ImFontAtlasCustomRect* r = atlas->GetCustomRectByIndex(id);
            if (!r || !r->IsPacked()) continue;
            int bar = std::max(1, (int)std::lround(r->Width * 0.36f));
            for (int y = 0; y < r->Height; ++y)
                for (int x = 0; x < r->Width; ++x)
                    atlas->TexPixelsAlpha8[(size_t)(r->Y + y) * atlas->TexWidth + r->X + x] =
                        (x < bar || x >= r->Width - bar) ? 255 : 0;
        }
    }
    for (auto& kv : ctx->faces)
        std::sort(kv.second.begin(), kv.second.end(),
                  [](const ImFont* a, const ImFont* b) { return a->FontSize < b->FontSize; });

    ctx->shared = std::make_unique<ImDrawListSharedData>();
    ImDrawListSharedData* sh = ctx->shared.get();
    sh->Font = ctx->faces["sans"].empty() ? nullptr : ctx->faces["sans"][0];
    sh->FontSize = sh->Font ? sh->Font->FontSize : 16.0f;
    sh->CurveTessellationTol = 1.25f;
    sh->SetCircleTessellationMaxError(0.30f);
    sh->InitialFlags = ImDrawListFlags_AntiAliasedLines | ImDrawListFlags_AntiAliasedLinesUseTex |
                       ImDrawListFlags_AntiAliasedFill | ImDrawListFlags_AllowVtxOffset;
    sh->TexUvWhitePixel = atlas->TexUvWhitePixel;
    sh->TexUvLines = atlas->TexUvLines;
    ctx->drawList = std::make_unique<ImDrawList>(sh);
    beginFrame(ctx, 0.0f, 0.0f, ctx->pixelRatio);
    return ctx;
}

void refreshTextureId(NVGcontext* ctx) {
    ctx->shared->TexUvWhitePixel = ctx->atlas->TexUvWhitePixel;
    ctx->shared->TexUvLines = ctx->atlas->TexUvLines;
}

void beginFrame(NVGcontext* ctx, float width, float height, float pixelRatio) {
    ctx->width = width;
    ctx->height = height;
    (void)pixelRatio;  // the atlas is baked for the ratio at creation
    ctx->shared->ClipRectFullscreen = ImVec4(-8192.0f, -8192.0f, 16384.0f, 16384.0f);
    ImDrawList* dl = ctx->drawList.get();
    dl->_ResetForNewFrame();
    dl->PushClipRectFullScreen();
    dl->PushTextureID(ctx->atlas->TexID);
    ctx->stack.clear();
    nvgReset(ctx);
}

}  // namespace detail
}  // namespace nanogui

NVGcontext* nvgCreateContext(float pixelRatio) {
    return nanogui::detail::createContext(pixelRatio);
}

void nvgDeleteContext(NVGcontext* ctx) { delete ctx; }

void nvgBeginFrame(NVGcontext* ctx, float w, float h, float pr) {
    nanogui::detail::beginFrame(ctx, w, h, pr);
}

int nvgFrameVertexCount(NVGcontext* ctx) { return ctx->drawList->VtxBuffer.Size; }

int nvgFrameBounds(NVGcontext* ctx, int firstVertex, float* bounds) {
    const ImDrawList* dl = ctx->drawList.get();
    if (firstVertex < 0) firstVertex = 0;
    if (firstVertex >= dl->VtxBuffer.Size) return 0;
    float b[4] = {FLT_MAX, FLT_MAX, -FLT_MAX, -FLT_MAX};
    for (int i = firstVertex; i < dl->VtxBuffer.Size; ++i) {
        const ImDrawVert& v = dl->VtxBuffer[i];
        if (((v.col >> IM_COL32_A_SHIFT) & 0xFF) == 0) continue;  // anti-aliasing fringe
        b[0] = std::min(b[0], v.pos.x);
        b[1] = std::min(b[1], v.pos.y);
        b[2] = std::max(b[2], v.pos.x);
        b[3] = std::max(b[3], v.pos.y);
    }
    if (b[0] > b[2]) return 0;
    for (int i = 0; i < 4; ++i) bounds[i] = b[i];
    return 1;
}

int nvgFaceHasGlyph(NVGcontext* ctx, const char* face, unsigned int codepoint) {
    auto it = ctx->faces.find(face);
    if (it == ctx->faces.end() || it->second.empty() || codepoint > 0xFFFF) return 0;
    return it->second[0]->FindGlyphNoFallback((ImWchar)codepoint) != nullptr;
}

// ---- colours -------------------------------------------------------------------

NVGcolor nvgRGB(unsigned char r, unsigned char g, unsigned char b) { return nvgRGBA(r, g, b, 255); }
NVGcolor nvgRGBf(float r, float g, float b) { return nvgRGBAf(r, g, b, 1.0f); }
NVGcolor nvgRGBA(unsigned char r, unsigned char g, unsigned char b, unsigned char a) {
    return nvgRGBAf(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}
NVGcolor nvgRGBAf(float r, float g, float b, float a) {
    NVGcolor c;
    c.r = r;
    c.g = g;
    c.b = b;
    c.a = a;
    return c;
}

// ---- state ------------------------------------------------------------------------

void nvgSave(NVGcontext* ctx) { ctx->stack.push_back(ctx->state); }

void nvgRestore(NVGcontext* ctx) {
    if (ctx->stack.empty()) return;
    ctx->state = ctx->stack.back();
    ctx->stack.pop_back();
}

void nvgReset(NVGcontext* ctx) {
    NVGstate s;
    s.fill = nvgRGBA(255, 255, 255, 255);
    s.stroke = nvgRGBA(0, 0, 0, 255);
    s.face = "sans";
    auto it = ctx->faces.find("sans");
    s.faceFonts = it == ctx->faces.end() ? nullptr : &it->second;
    s.fontSize = 16.0f;
    s.align = NVG_ALIGN_LEFT | NVG_ALIGN_BASELINE;
    ctx->state = s;
}

void nvgFillColor(NVGcontext* ctx, NVGcolor color) { ctx->state.fill = color; }
void nvgStrokeColor(NVGcontext* ctx, NVGcolor color) { ctx->state.stroke = color; }
void nvgStrokeWidth(NVGcontext* ctx, float width) { ctx->state.strokeWidth = width; }
void nvgGlobalAlpha(NVGcontext* ctx, float alpha) { ctx->state.alpha = alpha; }

void nvgTranslate(NVGcontext* ctx, float x, float y) {
    ctx->state.tx += x;
    ctx->state.ty += y;
}

void nvgScissor(NVGcontext* ctx, float x, float y, float w, float h) {
    NVGstate& s = ctx->state;
    s.scissor = true;
    s.sx0 = x + s.tx;
    s.sy0 = y + s.ty;
    s.sx1 = s.sx0 + std::max(0.0f, w);
    s.sy1 = s.sy0 + std::max(0.0f, h);
}

void nvgIntersectScissor(NVGcontext* ctx, float x, float y, float w, float h) {
    NVGstate& s = ctx->state;
    if (!s.scissor) {
        nvgScissor(ctx, x, y, w, h);
        return;
    }
    float x0 = x + s.tx, y0 = y + s.ty, x1 = x0 + std::max(0.0f, w), y1 = y0 + std::max(0.0f, h);
    s.sx0 = std::max(s.sx0, x0);
    s.sy0 = std::max(s.sy0, y0);
    s.sx1 = std::max(s.sx0, std::min(s.sx1, x1));
    s.sy1 = std::max(s.sy0, std::min(s.sy1, y1));
}

void nvgResetScissor(NVGcontext* ctx) { ctx->state.scissor = false; }

// ---- text --------------------------------------------------------------------------

void nvgFontSize(NVGcontext* ctx, float size) { ctx->state.fontSize = size; }

void nvgFontFace(NVGcontext* ctx, const char* font) {
    NVGstate& s = ctx->state;
    if (!font) return;
    s.face = font;
    auto it = ctx->faces.find(s.face);
    if (it == ctx->faces.end()) it = ctx->faces.find("sans");
    s.faceFonts = it == ctx->faces.end() ? nullptr : &it->second;
}

void nvgTextAlign(NVGcontext* ctx, int align) { ctx->state.align = align; }

void nvgTextMetrics(NVGcontext* ctx, float* ascender, float* descender, float* lineh) {
    Metrics m = metrics(ctx);
    if (ascender) *ascender = m.ascender;
    if (descender) *descender = m.descender;
    if (lineh) *lineh = m.lineh;
}

// Left edge of a line of width w drawn at x under the horizontal alignment.
static float alignedStart(int align, float x, float w) {
    if (align & NVG_ALIGN_CENTER) return x - w * 0.5f;
    if (align & NVG_ALIGN_RIGHT) return x - w;
    return x;
}

// Left edge of a row of width w within a box of breakWidth starting at x.
static float boxRowStart(int align, float x, float breakWidth, float w) {
    if (align & NVG_ALIGN_CENTER) return x + breakWidth * 0.5f - w * 0.5f;
    if (align & NVG_ALIGN_RIGHT) return x + breakWidth - w;
    return x;
}

float nvgText(NVGcontext* ctx, float x, float y, const char* string, const char* end) {
    if (!string) return x;
    end = endOf(string, end);
    Metrics m = metrics(ctx);
    float w = advance(m, string, end);
    int align = ctx->state.align;
    x = alignedStart(align, x, w);
    drawLine(ctx, m, x, y + baselineOffset(m, align), string, end);
    return x + w;
}

float nvgTextBounds(NVGcontext* ctx, float x, float y, const char* string, const char* end,
                    float* bounds) {
    if (!string) string = "";
    end = endOf(string, end);
    Metrics m = metrics(ctx);
    float w = advance(m, string, end);
    int align = ctx->state.align;
    x = alignedStart(align, x, w);
    if (bounds) {
        float b = y + baselineOffset(m, align);
        bounds[0] = x;
        bounds[1] = b - m.ascender;
        bounds[2] = x + w;
        bounds[3] = b - m.descender;
    }
    return w;
}

int nvgTextGlyphPositions(NVGcontext* ctx, float x, float y, const char* string, const char* end,
                          NVGglyphPosition* positions, int maxPositions) {
    (void)y;
    if (!string || maxPositions <= 0) return 0;
    end = endOf(string, end);
    Metrics m = metrics(ctx);
    float w = advance(m, string, end);
    int align = ctx->state.align;
    x = alignedStart(align, x, w);
    int n = 0;
    const char* p = string;
    while (p < end && *p && n < maxPositions) {
        unsigned int c = 0;
        int len = ImTextCharFromUtf8(&c, p, end);
        if (len <= 0) break;
        float a =
            m.font ? m.font->GetCharAdvance((ImWchar)(c <= 0xFFFF ? c : 0xFFFD)) * m.scale : 0.0f;
        positions[n].str = p;
        positions[n].x = x;
        positions[n].minx = x;
        positions[n].maxx = x + a;
        ++n;
        x += a;
        p += len;
    }
    return n;
}

int nvgTextBreakLines(NVGcontext* ctx, const char* string, const char* end, float breakRowWidth,
                      NVGtextRow* rows, int maxRows) {
    if (!string || maxRows <= 0) return 0;
    end = endOf(string, end);
    Metrics m = metrics(ctx);
    int nrows = 0;
    const char* p = string;
    bool afterWrap = false;
    while (p < end && nrows < maxRows) {
        if (afterWrap)  // a wrapped row does not start with spaces
            while (p < end && *p == ' ') ++p;
        if (p >= end) break;
        const char* rowStart = p;
        const char* wordEnd = nullptr;  // end of the last complete word in the row
        float wordEndWidth = 0.0f;
        const char* nextWord = nullptr;
        float width = 0.0f;
        const char* contentEnd = p;  // end of the last non-space character
        float contentWidth = 0.0f;
        bool emitted = false;
        while (p < end) {
            unsigned int c = 0;
            int len = ImTextCharFromUtf8(&c, p, end);
            if (len <= 0) {
                p = end;
                break;
            }
            if (c == '\n') {
                rows[nrows++] = {rowStart, contentEnd, p + len, contentWidth, 0.0f, contentWidth};
                p += len;
                afterWrap = false;
                emitted = true;
                break;
            }
            if (c == '\r') {
                p += len;
                continue;
            }
            float a = m.font ? m.font->GetCharAdvance((ImWchar)(c <= 0xFFFF ? c : 0xFFFD)) * m.scale
                             : 0.0f;
            bool space = (c == ' ' || c == '\t');
            if (!space && width + a > breakRowWidth && contentEnd > rowStart) {
                if (wordEnd) {  // break at the last space
                    rows[nrows++] = {rowStart, wordEnd, nextWord, wordEndWidth, 0.0f, wordEndWidth};
                    p = nextWord;
                } else {  // a word longer than the row: break inside it
                    rows[nrows++] = {rowStart, contentEnd, p, contentWidth, 0.0f, contentWidth};
                }
                afterWrap = true;
                emitted = true;
                break;
            }
            if (space) {
                if (contentEnd > rowStart && (!wordEnd || wordEnd != contentEnd)) {
                    wordEnd = contentEnd;
                    wordEndWidth = contentWidth;
                }
                nextWord = p + len;
            } else {
                contentEnd = p + len;
                contentWidth = width + a;
            }
            width += a;
            p += len;
        }
        if (!emitted) {
            if (contentEnd > rowStart)
                rows[nrows++] = {rowStart, contentEnd, end, contentWidth, 0.0f, contentWidth};
            break;
        }
    }
    return nrows;
}

namespace {
std::vector<NVGtextRow> breakAll(NVGcontext* ctx, const char* s, const char* end, float w) {
    std::vector<NVGtextRow> rows(16);
    for (;;) {
        int n = nvgTextBreakLines(ctx, s, end, w, rows.data(), (int)rows.size());
        if (n < (int)rows.size()) {
            rows.resize(n);
            return rows;
        }
        if (rows.size() > (1u << 20)) {
            return rows;
        }
        rows.resize(rows.size() * 4);
    }
}
}  // namespace

void nvgTextBox(NVGcontext* ctx, float x, float y, float breakRowWidth, const char* string,
                const char* end) {
    if (!string) return;
    end = endOf(string, end);
    Metrics m = metrics(ctx);
    int align = ctx->state.align;
    int valign = align & (NVG_ALIGN_TOP | NVG_ALIGN_MIDDLE | NVG_ALIGN_BOTTOM | NVG_ALIGN_BASELINE);
    for (const NVGtextRow& row : breakAll(ctx, string, end, breakRowWidth)) {
        float rx = boxRowStart(align, x, breakRowWidth, row.width);
        drawLine(ctx, m, rx, y + baselineOffset(m, valign), row.start, row.end);
        y += m.lineh;
    }
}

void nvgTextBoxBounds(NVGcontext* ctx, float x, float y, float breakRowWidth, const char* string,
                      const char* end, float* bounds) {
    if (!string) string = "";
    end = endOf(string, end);
    Metrics m = metrics(ctx);
    int align = ctx->state.align;
    float b = baselineOffset(m, align);
    float rminy = b - m.ascender, rmaxy = b - m.descender;
    float minx = x, maxx = x, miny = y, maxy = y;
    for (const NVGtextRow& row : breakAll(ctx, string, end, breakRowWidth)) {
        float rx = boxRowStart(align, x, breakRowWidth, row.width);
        minx = std::min(minx, rx);
        maxx = std::max(maxx, rx + row.width);
        miny = std::min(miny, y + rminy);
        maxy = std::max(maxy, y + rmaxy);
        y += m.lineh;
    }
    if (bounds) {
        bounds[0] = minx;
        bounds[1] = miny;
        bounds[2] = maxx;
        bounds[3] = maxy;
    }
}

// ---- shapes -------------------------------------------------------------------------

namespace {
inline ImVec2 P(NVGcontext* ctx, float x, float y) {
    return ImVec2(x + ctx->state.tx, y + ctx->state.ty);
}
}  // namespace

void nvgFillRect(NVGcontext* ctx, float x, float y, float w, float h, float radius) {
    if (w <= 0 || h <= 0) return;
    ClipScope clip(ctx);
    ctx->drawList->AddRectFilled(P(ctx, x, y), P(ctx, x + w, y + h),
                                 toU32(ctx->state.fill, ctx->state.alpha),
                                 std::min(radius, std::min(w, h) * 0.5f));
}

void nvgStrokeRect(NVGcontext* ctx, float x, float y, float w, float h, float radius) {
    if (w <= 0 || h <= 0) return;
    ClipScope clip(ctx);
    ctx->drawList->AddRect(P(ctx, x, y), P(ctx, x + w, y + h),
                           toU32(ctx->state.stroke, ctx->state.alpha),
                           std::min(radius, std::min(w, h) * 0.5f), 0, ctx->state.strokeWidth);
}

void nvgFillRectGradient(NVGcontext* ctx, float x, float y, float w, float h, float radius,
                         NVGcolor top, NVGcolor bottom) {
    if (w <= 0 || h <= 0) return;
    ClipScope clip(ctx);
    ImDrawList* dl = ctx->drawList.get();
    int v0 = dl->VtxBuffer.Size;
    ImU32 ct = toU32(top, ctx->state.alpha), cb = toU32(bottom, ctx->state.alpha);
    dl->AddRectFilled(P(ctx, x, y), P(ctx, x + w, y + h), ct,
                      std::min(radius, std::min(w, h) * 0.5f));
    int v1 = dl->VtxBuffer.Size;
    ImGui::ShadeVertsLinearColorGradientKeepAlpha(dl, v0, v1, P(ctx, x, y), P(ctx, x, y + h), ct,
                                                  cb);
}

void nvgFillCircle(NVGcontext* ctx, float cx, float cy, float r) {
    if (r <= 0) return;
    ClipScope clip(ctx);
    ctx->drawList->AddCircleFilled(P(ctx, cx, cy), r, toU32(ctx->state.fill, ctx->state.alpha));
}

void nvgStrokeCircle(NVGcontext* ctx, float cx, float cy, float r) {
    if (r <= 0) return;
    ClipScope clip(ctx);
    ctx->drawList->AddCircle(P(ctx, cx, cy), r, toU32(ctx->state.stroke, ctx->state.alpha), 0,
                             ctx->state.strokeWidth);
}

void nvgFillTriangle(NVGcontext* ctx, float x0, float y0, float x1, float y1, float x2, float y2) {
    ClipScope clip(ctx);
    ctx->drawList->AddTriangleFilled(P(ctx, x0, y0), P(ctx, x1, y1), P(ctx, x2, y2),
                                     toU32(ctx->state.fill, ctx->state.alpha));
}

void nvgLine(NVGcontext* ctx, float x0, float y0, float x1, float y1) {
    ClipScope clip(ctx);
    ctx->drawList->AddLine(P(ctx, x0, y0), P(ctx, x1, y1),
                           toU32(ctx->state.stroke, ctx->state.alpha), ctx->state.strokeWidth);
}

void nvgDropShadow(NVGcontext* ctx, float x, float y, float w, float h, float radius, float feather,
                   NVGcolor inner) {
    if (feather <= 0 || w <= 0 || h <= 0) return;
    ClipScope clip(ctx);
    int steps = std::max(1, (int)std::round(feather));
    for (int i = 0; i < steps; ++i) {
        float e = i + 0.5f;
        float t = 1.0f - e / feather;
        NVGcolor c = inner;
        c.a = inner.a * t * t;
        ctx->drawList->AddRect(P(ctx, x - e, y - e), P(ctx, x + w + e, y + h + e),
                               toU32(c, ctx->state.alpha), radius + e, 0, 1.0f);
    }
}

void nvgImage(NVGcontext* ctx, unsigned int texture, float x, float y, float w, float h, float u0,
              float v0, float u1, float v1) {
    if (w <= 0 || h <= 0 || texture == 0) return;
    ClipScope clip(ctx);
    NVGcolor white = nvgRGBAf(1, 1, 1, 1);
    ctx->drawList->AddImage((ImTextureID)(intptr_t)texture, P(ctx, x, y), P(ctx, x + w, y + h),
                            ImVec2(u0, v0), ImVec2(u1, v1), toU32(white, ctx->state.alpha));
}
