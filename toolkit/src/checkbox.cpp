// CheckBox: clicks and drawing.
#include <algorithm>
#include <nanogui/checkbox.h>
#include <nanogui/entypo.h>
#include <nanogui/opengl.h>

namespace nanogui {

CheckBox::CheckBox(Widget* parent, const std::string& caption,
                   const std::function<void(bool)>& callback)
    : Widget(parent), mCaption(caption), mCallback(callback) {}

bool CheckBox::mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) {
    Widget::mouseButtonEvent(p, button, down, modifiers);
    if (!mEnabled) return false;
    if (button == GLFW_MOUSE_BUTTON_1) {
        KeepAlive self(this);
        if (down) {
            mPushed = true;
        } else if (mPushed) {
            if (contains(p)) {
                mChecked = !mChecked;
                if (mCallback) {
                    auto cb = mCallback;
                    cb(mChecked);
                }
            }
            mPushed = false;
        }
        return true;
    }
    return false;
}

Vector2i CheckBox::preferredSize(NVGcontext* ctx) const {
    if (mFixedSize != Vector2i::Zero()) return mFixedSize;
    nvgFontSize(ctx, (float)fontSize());
    nvgFontFace(ctx, "sans");
    return Vector2i(
        (int)(nvgTextBounds(ctx, 0, 0, mCaption.c_str(), nullptr, nullptr) + 1.8f * fontSize()),
        (int)(fontSize() * 1.3f));
}

void CheckBox::draw(NVGcontext* ctx) {
    Widget::draw(ctx);
    float x = (float)mPos.x(), y = (float)mPos.y(), h = (float)mSize.y();
    if (!mCaption.empty()) {
        nvgFontSize(ctx, (float)fontSize());
        nvgFontFace(ctx, "sans");
        nvgFillColor(ctx, mEnabled ? mTheme->mTextColor : mTheme->mDisabledTextColor);
        nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_MIDDLE);
        nvgText(ctx, x + 1.6f * fontSize(), y + h * 0.5f, mCaption.c_str(), nullptr);
    }
    float side = std::max(0.0f, std::min(h, (float)mSize.x()) - 2.0f);
    float bx = x + 1.0f, by = y + (h - side) * 0.5f;
    Color top = mPushed ? Color(0, 140) : Color(0, 90);
    Color bottom = mPushed ? Color(0, 110) : Color(0, 50);
    nvgFillRectGradient(ctx, bx, by, side, side, 3, top, bottom);
    nvgStrokeWidth(ctx, 1.0f);
    nvgStrokeColor(ctx, mMouseFocus && mEnabled ? Color(150, 255) : Color(100, 255));
    nvgStrokeRect(ctx, bx + 0.5f, by + 0.5f, side - 1, side - 1, 3);
    if (mChecked) {
        nvgFontSize(ctx, side * 1.5f);
        nvgFontFace(ctx, "icons");
        nvgFillColor(ctx, mEnabled ? Color(255, 220) : Color(mTheme->mDisabledTextColor));
        nvgTextAlign(ctx, NVG_ALIGN_CENTER | NVG_ALIGN_MIDDLE);
        auto icon = utf8(ENTYPO_ICON_CHECK);
        nvgText(ctx, bx + side * 0.5f, by + side * 0.5f, icon.data(), nullptr);
    }
}

}  // namespace nanogui
