// Static text with selectable NanoVG alignment.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

class Label : public Widget {
public:
    Label(Widget* parent, const std::string& caption, const std::string& font = "sans",
          int fontSize = -1);

    const std::string& caption() const { return mCaption; }
    void setCaption(const std::string& caption) { mCaption = caption; }
    const std::string& font() const { return mFont; }
    void setFont(const std::string& font) { mFont = font; }
    Color color() const { return mColor; }
    void setColor(const Color& color) {
        mColor = color;
        mColorSet = true;
    }
    // NanoVG alignment flags: horizontal (default NVG_ALIGN_LEFT), vertical (default
    // NVG_ALIGN_TOP).
    int horizontalAlignment() const { return mHorizontalAlignment; }
    void setHorizontalAlignment(int align) { mHorizontalAlignment = align; }
    int verticalAlignment() const { return mVerticalAlignment; }
    void setVerticalAlignment(int align) { mVerticalAlignment = align; }

    void setTheme(Theme* theme) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    void draw(NVGcontext* ctx) override;

protected:
    std::string mCaption;
    std::string mFont;
    Color mColor;
    bool mColorSet = false;
    int mHorizontalAlignment = NVG_ALIGN_LEFT;
    int mVerticalAlignment = NVG_ALIGN_TOP;
};

}  // namespace nanogui
