// Button: clicks, toggles, radio groups and drawing.
#include <algorithm>
#include <nanogui/button.h>
#include <nanogui/opengl.h>

namespace nanogui {

namespace {

// Space between a caption and the button's edges.
constexpr float captionPadding = 4.0f;

}  // namespace

Button::Button(Widget* parent, const std::string& caption, int icon)
    : Widget(parent),
      mCaption(caption),
      mIcon(icon),
      mBackgroundColor(Color(0, 0)),
      mTextColor(Color(0, 0)) {}

Vector2i Button::preferredSize(NVGcontext* ctx) const {
    int fontSize = mFontSize == -1 ? mTheme->mButtonFontSize : mFontSize;
    nvgFontSize(ctx, (float)fontSize);
    nvgFontFace(ctx, "sans-bold");
    float tw = nvgTextBounds(ctx, 0, 0, mCaption.c_str(), nullptr, nullptr);
    float iw = 0.0f;
    if (mIcon) {
        float ih = fontSize * mTheme->mIconScale;
        nvgFontFace(ctx, "icons");
        nvgFontSize(ctx, ih);
        auto icon = utf8(mIcon);
        iw = nvgTextBounds(ctx, 0, 0, icon.data(), nullptr, nullptr);
        if (!mCaption.empty()) iw += mSize.y() * 0.15f;
    }
    return Vector2i((int)(tw + iw) + 20, fontSize + 10);
}

bool Button::mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) {
    Widget::mouseButtonEvent(p, button, down, modifiers);
    // Callbacks may rebuild the panel that holds the button.
    KeepAlive self(this);
    if (button == GLFW_MOUSE_BUTTON_1 && mEnabled) {
        bool pushedBackup = mPushed;
        if (down) {
            if ((mFlags & RadioButton) && mParent) {
                std::vector<ref<Widget>> siblings(mParent->children().begin(),
                                                  mParent->children().end());
                for (auto& widget : siblings) {
                    Button* b = dynamic_cast<Button*>(widget.get());
                    if (b != this && b && (b->flags() & RadioButton) && b->mPushed) {
                        b->mPushed = false;
                        if (b->mChangeCallback) b->mChangeCallback(false);
                    }
                }
            }
            if (mFlags & ToggleButton)
                mPushed = !mPushed;
            else
                mPushed = true;
        } else if (mPushed) {
            if (contains(p) && mCallback) {
                auto cb = mCallback;
                cb();
            }
            if (mFlags & NormalButton) mPushed = false;
        }
        if (pushedBackup != mPushed && mChangeCallback) {
            auto cb = mChangeCallback;
            cb(mPushed);
        }
        return true;
    }
    return false;
}

void Button::draw(NVGcontext* ctx) {
    Widget::draw(ctx);
    const Theme* th = mTheme.get();
    NVGcolor gradTop = th->mButtonGradientTopUnfocused;
    NVGcolor gradBot = th->mButtonGradientBotUnfocused;
    if (mPushed) {
        gradTop = th->mButtonGradientTopPushed;
        gradBot = th->mButtonGradientBotPushed;
    } else if (mMouseFocus && mEnabled) {
        gradTop = th->mButtonGradientTopFocused;
        gradBot = th->mButtonGradientBotFocused;
    }
    float x = (float)mPos.x(), y = (float)mPos.y(), w = (float)mSize.x(), h = (float)mSize.y();
    float cr = (float)th->mButtonCornerRadius;

    if (mBackgroundColor.w() != 0) {
        nvgFillColor(ctx, Color(mBackgroundColor.head<3>(), 1.0f));
        nvgFillRect(ctx, x + 1, y + 1, w - 2, h - 2, cr - 1);
        if (mPushed) {
            gradTop.a = gradBot.a = 0.8f;
        } else {
            float v = 1 - mBackgroundColor.w();
            gradTop.a = gradBot.a = mEnabled ? v : v * .5f + .5f;
        }
    }
    nvgFillRectGradient(ctx, x + 1, y + 1, w - 2, h - 2, cr - 1, gradTop, gradBot);

    nvgStrokeWidth(ctx, 1.0f);
    nvgStrokeColor(ctx, mMouseFocus && mEnabled && !mPushed ? Color(120, 255) : th->mBorderLight);
    nvgStrokeRect(ctx, x + 0.5f, y + (mPushed ? 0.5f : 1.5f), w - 1,
                  h - 1 - (mPushed ? 0.0f : 1.0f), cr);
    nvgStrokeColor(ctx, th->mBorderDark);
    nvgStrokeRect(ctx, x + 0.5f, y + 0.5f, w - 1, h - 2, cr);

    int fontSize = mFontSize == -1 ? th->mButtonFontSize : mFontSize;
    nvgFontSize(ctx, (float)fontSize);
    nvgFontFace(ctx, "sans-bold");
    float tw = nvgTextBounds(ctx, 0, 0, mCaption.c_str(), nullptr, nullptr);
    // A caption wider than its room would run under the chevron or out of the
    // button: it is drawn smaller instead.
    float captionSize = (float)fontSize;
    const float room = w - mCaptionRightInset - 2.0f * captionPadding;
    if (tw > room && room > 0.0f) {
        captionSize *= room / tw;
        tw = room;
    }

    Vector2f center = mPos.cast<float>() + mSize.cast<float>() * 0.5f;
    center.x() -= mCaptionRightInset * 0.5f;
    Vector2f textPos(center.x() - tw * 0.5f, center.y() - 1);
    NVGcolor textColor = mTextColor.w() == 0 ? th->mTextColor : mTextColor;
    if (!mEnabled) textColor = th->mDisabledTextColor;
    bool hover = mMouseFocus && mEnabled && !mPushed;
    if ((mPushed || hover) && mEnabled && mTextColor.w() == 0)
        textColor = Color(255, hover ? 235 : 200);  // hover and pushed read brighter

    if (mIcon) {
        auto icon = utf8(mIcon);
        float ih = fontSize * th->mIconScale;
        if (mSize.y() > 0)
            ih = std::min(ih, mSize.y() * 0.9f);  // keep the glyph inside small buttons
        nvgFontSize(ctx, ih);
        nvgFontFace(ctx, "icons");
        float iw = nvgTextBounds(ctx, 0, 0, icon.data(), nullptr, nullptr);
        if (!mCaption.empty()) iw += mSize.y() * 0.15f;
        nvgFillColor(ctx, textColor);
        nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_MIDDLE);
        Vector2f iconPos = center;
        iconPos.y() -= 1;
        if (mCaption.empty()) {
            iconPos.x() -= iw * 0.5f;
        } else if (mIconPosition == IconPosition::LeftCentered) {
            iconPos.x() -= (tw + iw) * 0.5f;
            textPos.x() += iw * 0.5f;
        } else if (mIconPosition == IconPosition::RightCentered) {
            textPos.x() -= iw * 0.5f;
            iconPos.x() += tw * 0.5f;
        } else if (mIconPosition == IconPosition::Left) {
            iconPos.x() = x + 8;
        } else if (mIconPosition == IconPosition::Right) {
            iconPos.x() = x + w - iw - 8;
        }
        nvgText(ctx, iconPos.x(), iconPos.y() + 1, icon.data(), nullptr);
    }

    if (!mCaption.empty()) {
        nvgFontSize(ctx, captionSize);
        nvgFontFace(ctx, "sans-bold");
        nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_MIDDLE);
        nvgFillColor(ctx, th->mTextColorShadow);
        nvgText(ctx, textPos.x(), textPos.y(), mCaption.c_str(), nullptr);
        nvgFillColor(ctx, textColor);
        nvgText(ctx, textPos.x(), textPos.y() + 1, mCaption.c_str(), nullptr);
    }
}

}  // namespace nanogui
