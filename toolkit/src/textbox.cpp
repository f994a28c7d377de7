// TextBox: editing, validation, spinning and drawing.
#include <nanogui/entypo.h>
#include <nanogui/opengl.h>
#include <nanogui/screen.h>
#include <nanogui/textbox.h>

#include <algorithm>
#include <cmath>

namespace nanogui {

namespace {

std::string& fallbackClipboard() {
    static std::string clipboard;
    return clipboard;
}

bool isContinuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int prevBoundary(const std::string& s, int pos) {
    if (pos <= 0) return 0;
    --pos;
    while (pos > 0 && isContinuation(s[(size_t)pos])) --pos;
    return pos;
}

int nextBoundary(const std::string& s, int pos) {
    int n = (int)s.size();
    if (pos >= n) return n;
    ++pos;
    while (pos < n && isContinuation(s[(size_t)pos])) ++pos;
    return pos;
}

// Caret x for every character boundary (byte index -> x), in order.
std::vector<std::pair<int, float>> caretPositions(NVGcontext* ctx, const std::string& text,
                                                  float x) {
    std::vector<std::pair<int, float>> carets;
    std::vector<NVGglyphPosition> glyphs(text.size() + 1);
    int n = nvgTextGlyphPositions(ctx, x, 0, text.c_str(), text.c_str() + text.size(),
                                  glyphs.data(), (int)glyphs.size());
    float start = x;
    float bounds[4];
    float w = nvgTextBounds(ctx, x, 0, text.c_str(), text.c_str() + text.size(), bounds);
    start = bounds[0];
    for (int i = 0; i < n; ++i)
        carets.emplace_back((int)(glyphs[(size_t)i].str - text.c_str()), glyphs[(size_t)i].x);
    carets.emplace_back((int)text.size(), start + w);
    return carets;
}

}  // namespace

TextBox::TextBox(Widget* parent, const std::string& value)
    : Widget(parent), mValue(value), mValueTemp(value) {
    mFontSize = -1;
}

void TextBox::setFormat(const std::string& format) {
    mFormat = format;
    mRegex.reset();
    if (!format.empty()) {
        try {
            mRegex = std::make_shared<std::regex>(format, std::regex::ECMAScript);
        } catch (const std::regex_error&) {
            mRegex.reset();  // an invalid expression accepts everything
        }
    }
}

bool TextBox::checkFormat(const std::string& input) const {
    if (mFormat.empty() || !mRegex) return true;
    try {
        return std::regex_match(input, *mRegex);
    } catch (const std::exception&) {
        return false;  // e.g. regex complexity on huge input
    }
}

int TextBox::textFontSize() const {
    if (mFontSize > 0) return mFontSize;
    return mTheme ? mTheme->mTextBoxFontSize : 20;
}

TextBox::TextGeometry TextBox::textGeometry(NVGcontext* ctx) const {
    TextGeometry g;
    float xSpacing = mSize.y() * 0.3f;
    g.unitWidth = 0.0f;
    if (!mUnits.empty()) {
        nvgFontFace(ctx, "sans");
        nvgFontSize(ctx, textFontSize() * 0.9f);
        g.unitWidth = nvgTextBounds(ctx, 0, 0, mUnits.c_str(), nullptr, nullptr) + 2.0f;
    }
    g.spinWidth = (mSpinnable && !mFocused) ? 14.0f : 0.0f;
    switch (mAlignment) {
        case Alignment::Left:
            g.align = NVG_ALIGN_LEFT | NVG_ALIGN_MIDDLE;
            g.anchorX = mPos.x() + xSpacing + g.spinWidth;
            break;
        case Alignment::Right:
            g.align = NVG_ALIGN_RIGHT | NVG_ALIGN_MIDDLE;
            g.anchorX = mPos.x() + mSize.x() - g.unitWidth - xSpacing;
            break;
        case Alignment::Center:
        default:
            g.align = NVG_ALIGN_CENTER | NVG_ALIGN_MIDDLE;
            g.anchorX = mPos.x() + mSize.x() * 0.5f + g.spinWidth * 0.5f - g.unitWidth * 0.5f;
            break;
    }
    g.clipX = mPos.x() + xSpacing + g.spinWidth - 1.0f;
    g.clipW = mSize.x() - g.unitWidth - g.spinWidth - 2 * xSpacing + 2.0f;
    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, (float)textFontSize());
    nvgTextAlign(ctx, g.align);
    return g;
}

int TextBox::cursorIndexAt(float x) {
    Screen* s = screen();
    if (!s || !s->nvgContext()) return (int)mValueTemp.size();
    NVGcontext* ctx = s->nvgContext();
    nvgSave(ctx);
    TextGeometry g = textGeometry(ctx);
    auto carets = caretPositions(ctx, mValueTemp, g.anchorX + mTextOffset);
    nvgRestore(ctx);
    int best = (int)mValueTemp.size();
    float bestDist = 1e30f;
    for (auto& c : carets) {
        float d = std::fabs(c.second - x);
        if (d < bestDist) {
            bestDist = d;
            best = c.first;
        }
    }
    return best;
}

Vector2i TextBox::preferredSize(NVGcontext* ctx) const {
    int fs = textFontSize();
    Vector2i size(0, (int)(fs * 1.4f));
    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, fs * 0.9f);
    float uw =
        mUnits.empty() ? 0.0f : nvgTextBounds(ctx, 0, 0, mUnits.c_str(), nullptr, nullptr) + 2.0f;
    float sw = mSpinnable ? 14.0f : 0.0f;
    nvgFontSize(ctx, (float)fs);
    float ts = nvgTextBounds(ctx, 0, 0, mValue.c_str(), nullptr, nullptr);
    size.x() = size.y() + (int)(ts + uw + sw);
    return size;
}

void TextBox::draw(NVGcontext* ctx) {
    Widget::draw(ctx);
    const Theme* th = mTheme.get();
    float x = (float)mPos.x(), y = (float)mPos.y(), w = (float)mSize.x(), h = (float)mSize.y();

    // Field background: dark well, lighter while focused, red tint while invalid.
    bool editing = mEditable && mFocused;
    Color top(0, 60), bottom(0, 30);
    if (editing)
        top = bottom = Color(0, 90);
    else if (mMouseFocus && (mEditable || mSpinnable))
        top = Color(255, 14), bottom = Color(255, 4);
    nvgFillRectGradient(ctx, x + 1, y + 1, w - 2, h - 2, 3, top, bottom);
    if (!mValidFormat) {
        nvgFillColor(ctx, th->mTextBoxInvalid);
        nvgFillRect(ctx, x + 1, y + 1, w - 2, h - 2, 3);
    }
    nvgStrokeWidth(ctx, 1.0f);
    nvgStrokeColor(ctx,
                   editing ? (mValidFormat ? th->mAccent : Color(220, 60, 60, 255)) : Color(0, 80));
    nvgStrokeRect(ctx, x + 0.5f, y + 0.5f, w - 1, h - 1, 3);

    nvgSave(ctx);
    TextGeometry g = textGeometry(ctx);
    float cy = y + h * 0.5f + 1.0f;

    if (!mUnits.empty()) {
        nvgFontSize(ctx, textFontSize() * 0.9f);
        nvgFillColor(ctx, Color(255, mEnabled ? 90 : 50));
        nvgTextAlign(ctx, NVG_ALIGN_RIGHT | NVG_ALIGN_MIDDLE);
        nvgText(ctx, x + w - h * 0.3f, cy, mUnits.c_str(), nullptr);
    }

    if (mSpinnable && !mFocused) {
        nvgFontSize(ctx, std::max(10.0f, h * 0.75f));
        nvgFontFace(ctx, "icons");
        nvgFillColor(ctx, mEnabled ? th->mTextColor : th->mDisabledTextColor);
        nvgTextAlign(ctx, NVG_ALIGN_CENTER | NVG_ALIGN_MIDDLE);
        auto up = utf8(ENTYPO_ICON_CHEVRON_UP);
        auto down = utf8(ENTYPO_ICON_CHEVRON_DOWN);
        nvgText(ctx, x + 8.0f, y + h * 0.5f - h * 0.2f, up.data(), nullptr);
        nvgText(ctx, x + 8.0f, y + h * 0.5f + h * 0.22f, down.data(), nullptr);
    }

    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, (float)textFontSize());
    nvgTextAlign(ctx, g.align);
    nvgIntersectScissor(ctx, g.clipX, y, g.clipW, h);

    if (!editing) {
        mTextOffset = 0.0f;
        if (mValue.empty() && !mPlaceholder.empty()) {
            nvgFillColor(ctx, Color(255, 60));
            nvgText(ctx, g.anchorX, cy, mPlaceholder.c_str(), nullptr);
        } else {
            // A value wider than its field (a long serial number) is drawn
            // smaller rather than cut off.
            const float advance = nvgTextBounds(ctx, 0, 0, mValue.c_str(), nullptr, nullptr);
            if (advance > g.clipW && g.clipW > 0)
                nvgFontSize(ctx, textFontSize() * std::max(0.5f, g.clipW / advance));
            nvgFillColor(ctx, mEnabled ? th->mTextColor : th->mDisabledTextColor);
            nvgText(ctx, g.anchorX, cy, mValue.c_str(), nullptr);
        }
    } else {
        float ascender, descender, lineh;
        nvgTextMetrics(ctx, &ascender, &descender, &lineh);
        // Keep the cursor inside the clip.
        auto carets = caretPositions(ctx, mValueTemp, g.anchorX + mTextOffset);
        auto caretX = [&](int idx) {
            for (auto& c : carets)
                if (c.first >= idx) return c.second;
            return carets.back().second;
        };
        mCursorPos = std::max(0, std::min(mCursorPos, (int)mValueTemp.size()));
        float cx = caretX(mCursorPos);
        float shift = 0.0f;
        if (cx > g.clipX + g.clipW - 2)
            shift = (g.clipX + g.clipW - 2) - cx;
        else if (cx < g.clipX + 1)
            shift = (g.clipX + 1) - cx;
        if (shift != 0.0f) {
            mTextOffset += shift;
            carets = caretPositions(ctx, mValueTemp, g.anchorX + mTextOffset);
            cx = caretX(mCursorPos);
        }
        if (mSelectionPos > -1 && mSelectionPos != mCursorPos) {
            float sx = caretX(std::min((int)mValueTemp.size(), mSelectionPos));
            nvgFillColor(ctx, th->mTextBoxSelection);
            nvgFillRect(ctx, std::min(sx, cx), cy - lineh * 0.5f, std::fabs(sx - cx), lineh, 0);
        }
        nvgFillColor(ctx, th->mTextColor);
        if (!mValidFormat) nvgFillColor(ctx, Color(255, 190, 190, 255));
        nvgText(ctx, g.anchorX + mTextOffset, cy, mValueTemp.c_str(), nullptr);
        nvgStrokeColor(ctx, nvgRGBA(255, 192, 0, 255));
        nvgStrokeWidth(ctx, 1.0f);
        float px = std::round(cx) + 0.5f;
        nvgLine(ctx, px, cy - lineh * 0.5f, px, cy + lineh * 0.5f);
    }
    nvgRestore(ctx);
}

bool TextBox::mouseEnterEvent(const Vector2i& p, bool enter) {
    Widget::mouseEnterEvent(p, enter);
    return false;
}

bool TextBox::mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) {
    KeepAlive self(this);
    if (button == GLFW_MOUSE_BUTTON_1 && down && !mFocused) {
        if (!mSpinnable || spinArea(p) == SpinArea::None)  // not on the spin arrows
            requestFocus();
    }
    if (mEditable && focused()) {
        if (down) {
            mMouseDownPos = p;
            mMouseDownModifier = modifiers;
            double time = get_time();
            if (time - mLastClick < 0.25) {
                // Double click: select all.
                mSelectionPos = 0;
                mCursorPos = (int)mValueTemp.size();
                mMouseDownPos = Vector2i(-1, -1);
            } else if (button == GLFW_MOUSE_BUTTON_1) {
                int idx = cursorIndexAt((float)p.x());
                if (modifiers & GLFW_MOD_SHIFT) {
                    if (mSelectionPos == -1) mSelectionPos = mCursorPos;
                } else {
                    mSelectionPos = -1;
                }
                mCursorPos = idx;
            }
            mLastClick = time;
        } else {
            mMouseDownPos = Vector2i(-1, -1);
            mMouseDragPos = Vector2i(-1, -1);
        }
        return true;
    } else if (mSpinnable && !focused()) {
        if (down) {
            if (spinArea(p) == SpinArea::None) {
                mMouseDownPos = p;
                mMouseDownModifier = modifiers;
            } else {
                mMouseDownPos = Vector2i(-1, -1);
                mMouseDragPos = Vector2i(-1, -1);
            }
        } else {
            mMouseDownPos = Vector2i(-1, -1);
            mMouseDragPos = Vector2i(-1, -1);
        }
        return true;
    }
    return false;
}

bool TextBox::mouseMotionEvent(const Vector2i& p, const Vector2i&, int, int) {
    mMousePos = p;
    return false;
}

bool TextBox::mouseDragEvent(const Vector2i& p, const Vector2i&, int, int) {
    mMousePos = p;
    mMouseDragPos = p;
    if (mEditable && focused()) {
        if (mMouseDownPos.x() != -1) {
            if (mSelectionPos == -1) mSelectionPos = mCursorPos;
            mCursorPos = cursorIndexAt((float)p.x());
        }
        return true;
    }
    return false;
}

bool TextBox::focusEvent(bool focused) {
    Widget::focusEvent(focused);
    if (mEditable) {
        if (focused) {
            mValueTemp = mValue;
            mCommitted = false;
            mCursorPos = 0;
            mSelectionPos = -1;
        } else {
            commitEdit();
        }
        mValidFormat = mCommitted || (mValueTemp.empty()) || checkFormat(mValueTemp);
    }
    return true;
}

void TextBox::commitEdit() {
    KeepAlive self(this);
    if (!mCommitted) {
        std::string backup = mValue;
        if (mValidFormat) {
            std::string committed = mValueTemp.empty() ? mDefaultValue : mValueTemp;
            mValue = committed;
            if (mCallback) {
                auto cb = mCallback;
                if (!cb(committed)) mValue = backup;
            }
        }
    }
    mValidFormat = true;
    mCommitted = true;
    mCursorPos = -1;
    mSelectionPos = -1;
    mTextOffset = 0;
}

bool TextBox::keyboardEvent(int key, int /*scancode*/, int action, int modifiers) {
    if (!(mEditable && focused())) return false;
    KeepAlive self(this);
    if (action == GLFW_PRESS || action == GLFW_REPEAT) {
        bool shift = (modifiers & GLFW_MOD_SHIFT) != 0;
        bool ctrl = (modifiers & (GLFW_MOD_CONTROL | GLFW_MOD_SUPER)) != 0;
        int size = (int)mValueTemp.size();
        mCursorPos = std::max(0, std::min(mCursorPos, size));
        auto moveTo = [&](int pos) {
            if (shift) {
                if (mSelectionPos == -1) mSelectionPos = mCursorPos;
            } else {
                mSelectionPos = -1;
            }
            mCursorPos = pos;
        };
        if (key == GLFW_KEY_LEFT) {
            moveTo(prevBoundary(mValueTemp, mCursorPos));
        } else if (key == GLFW_KEY_RIGHT) {
            moveTo(nextBoundary(mValueTemp, mCursorPos));
        } else if (key == GLFW_KEY_HOME) {
            moveTo(0);
        } else if (key == GLFW_KEY_END) {
            moveTo(size);
        } else if (key == GLFW_KEY_BACKSPACE) {
            if (!deleteSelection() && mCursorPos > 0) {
                int start = prevBoundary(mValueTemp, mCursorPos);
                mValueTemp.erase((size_t)start, (size_t)(mCursorPos - start));
                mCursorPos = start;
            }
        } else if (key == GLFW_KEY_DELETE) {
            if (!deleteSelection() && mCursorPos < size) {
                int end = nextBoundary(mValueTemp, mCursorPos);
                mValueTemp.erase((size_t)mCursorPos, (size_t)(end - mCursorPos));
            }
        } else if (key == GLFW_KEY_ENTER || key == GLFW_KEY_KP_ENTER) {
            if (!mCommitted) focusEvent(false);
        } else if (key == GLFW_KEY_A && ctrl) {
            mCursorPos = size;
            mSelectionPos = 0;
        } else if (key == GLFW_KEY_X && ctrl) {
            copySelection();
            deleteSelection();
        } else if (key == GLFW_KEY_C && ctrl) {
            copySelection();
        } else if (key == GLFW_KEY_V && ctrl) {
            deleteSelection();
            pasteFromClipboard();
        }
        if (!mCommitted) mValidFormat = mValueTemp.empty() || checkFormat(mValueTemp);
    }
    return true;
}

bool TextBox::keyboardCharacterEvent(unsigned int codepoint) {
    if (!(mEditable && focused())) return false;
    deleteSelection();
    auto seq = utf8((int)codepoint);
    std::string s(seq.data());
    mCursorPos = std::max(0, std::min(mCursorPos, (int)mValueTemp.size()));
    mValueTemp.insert((size_t)mCursorPos, s);
    mCursorPos += (int)s.size();
    mValidFormat = mValueTemp.empty() || checkFormat(mValueTemp);
    return true;
}

bool TextBox::copySelection() {
    if (mSelectionPos > -1 && mSelectionPos != mCursorPos) {
        int begin = std::min(mCursorPos, mSelectionPos), end = std::max(mCursorPos, mSelectionPos);
        begin = std::max(0, std::min(begin, (int)mValueTemp.size()));
        end = std::max(begin, std::min(end, (int)mValueTemp.size()));
        std::string text = mValueTemp.substr((size_t)begin, (size_t)(end - begin));
        Screen* sc = screen();
        if (sc && sc->glfwWindow())
            glfwSetClipboardString(sc->glfwWindow(), text.c_str());
        else
            fallbackClipboard() = text;
        return true;
    }
    return false;
}

void TextBox::pasteFromClipboard() {
    Screen* sc = screen();
    std::string text;
    if (sc && sc->glfwWindow()) {
        const char* cbstr = glfwGetClipboardString(sc->glfwWindow());
        if (cbstr) text = cbstr;
    } else {
        text = fallbackClipboard();
    }
    // One line only.
    text.erase(
        std::remove_if(text.begin(), text.end(), [](char c) { return c == '\n' || c == '\r'; }),
        text.end());
    mCursorPos = std::max(0, std::min(mCursorPos, (int)mValueTemp.size()));
    mValueTemp.insert((size_t)mCursorPos, text);
    mCursorPos += (int)text.size();
}

bool TextBox::deleteSelection() {
    if (mSelectionPos > -1 && mSelectionPos != mCursorPos) {
        int begin = std::min(mCursorPos, mSelectionPos), end = std::max(mCursorPos, mSelectionPos);
        begin = std::max(0, std::min(begin, (int)mValueTemp.size()));
        end = std::max(begin, std::min(end, (int)mValueTemp.size()));
        mValueTemp.erase((size_t)begin, (size_t)(end - begin));
        mCursorPos = begin;
        mSelectionPos = -1;
        return true;
    }
    mSelectionPos = -1;
    return false;
}

TextBox::SpinArea TextBox::spinArea(const Vector2i& pos) const {
    int dx = pos.x() - mPos.x(), dy = pos.y() - mPos.y();
    if (dx >= 0 && dx < 14 && dy >= 0 && dy < mSize.y()) {
        if (dy <= mSize.y() / 2.0f) return SpinArea::Top;
        return SpinArea::Bottom;
    }
    return SpinArea::None;
}

}  // namespace nanogui
