// Label: text drawing and sizing.
#include <nanogui/label.h>
#include <nanogui/opengl.h>

namespace nanogui {

Label::Label(Widget* parent, const std::string& caption, const std::string& font, int fontSize)
    : Widget(parent), mCaption(caption), mFont(font) {
    if (mTheme) {
        mFontSize = mTheme->mStandardFontSize;
        mColor = mTheme->mTextColor;
    }
    if (fontSize >= 0)
        mFontSize = fontSize;
    else
        mFontSize = -1;
}

void Label::setTheme(Theme* theme) {
    Widget::setTheme(theme);
    if (mTheme && !mColorSet) mColor = mTheme->mTextColor;
}

Vector2i Label::preferredSize(NVGcontext* ctx) const {
    if (mCaption.empty()) return Vector2i::Zero();
    nvgFontFace(ctx, mFont.c_str());
    nvgFontSize(ctx, (float)fontSize());
    nvgTextAlign(ctx, mHorizontalAlignment | mVerticalAlignment);
    if (mFixedSize.x() > 0) {
        float bounds[4];
        nvgTextBoxBounds(ctx, (float)mPos.x(), (float)mPos.y(), (float)mFixedSize.x(),
                         mCaption.c_str(), nullptr, bounds);
        return Vector2i(mFixedSize.x(), (int)(bounds[3] - bounds[1]));
    }
    return Vector2i((int)nvgTextBounds(ctx, 0, 0, mCaption.c_str(), nullptr, nullptr) + 2,
                    fontSize());
}

void Label::draw(NVGcontext* ctx) {
    Widget::draw(ctx);
    nvgFontFace(ctx, mFont.c_str());
    nvgFontSize(ctx, (float)fontSize());
    nvgFillColor(ctx, mColor);
    nvgTextAlign(ctx, mHorizontalAlignment | mVerticalAlignment);
    float breakWidth = mFixedSize.x() >= 1 ? (float)mFixedSize.x() : (float)mSize.x();
    nvgTextBox(ctx, (float)mPos.x(), (float)mPos.y(), breakWidth, mCaption.c_str(), nullptr);
}

}  // namespace nanogui
