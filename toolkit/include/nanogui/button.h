// Push, toggle, radio and popup buttons.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

class Button : public Widget {
public:
    enum Flags {
        NormalButton = 1 << 0,
        RadioButton = 1 << 1,
        ToggleButton = 1 << 2,
        PopupButton = 1 << 3
    };
    enum class IconPosition { Left, LeftCentered, RightCentered, Right };

    Button(Widget* parent, const std::string& caption = "Untitled", int icon = 0);

    const std::string& caption() const { return mCaption; }
    void setCaption(const std::string& caption) { mCaption = caption; }
    const Color& backgroundColor() const { return mBackgroundColor; }
    void setBackgroundColor(const Color& c) { mBackgroundColor = c; }
    const Color& textColor() const { return mTextColor; }
    void setTextColor(const Color& c) { mTextColor = c; }
    int icon() const { return mIcon; }
    void setIcon(int icon) { mIcon = icon; }
    int flags() const { return mFlags; }
    void setFlags(int flags) { mFlags = flags; }
    IconPosition iconPosition() const { return mIconPosition; }
    void setIconPosition(IconPosition p) { mIconPosition = p; }
    bool pushed() const { return mPushed; }
    // No callbacks.
    void setPushed(bool pushed) { mPushed = pushed; }

    std::function<void()> callback() const { return mCallback; }
    void setCallback(const std::function<void()>& callback) { mCallback = callback; }
    std::function<void(bool)> changeCallback() const { return mChangeCallback; }
    void setChangeCallback(const std::function<void(bool)>& callback) {
        mChangeCallback = callback;
    }

    Vector2i preferredSize(NVGcontext* ctx) const override;
    bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) override;
    void draw(NVGcontext* ctx) override;

protected:
    std::string mCaption;
    int mIcon;
    IconPosition mIconPosition = IconPosition::LeftCentered;
    bool mPushed = false;
    int mFlags = NormalButton;
    Color mBackgroundColor;
    Color mTextColor;
    std::function<void()> mCallback;
    std::function<void(bool)> mChangeCallback;
    // Room at the right edge that the caption leaves free (a popup button's
    // chevron): the caption is centred in the rest, and drawn smaller when it
    // would not fit there.
    float mCaptionRightInset = 0.0f;
};

}  // namespace nanogui
