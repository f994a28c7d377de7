// CheckBox: a toggle with a caption.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

class CheckBox : public Widget {
public:
    CheckBox(Widget* parent, const std::string& caption = "Untitled",
             const std::function<void(bool)>& callback = std::function<void(bool)>());

    const std::string& caption() const { return mCaption; }
    void setCaption(const std::string& caption) { mCaption = caption; }
    bool checked() const { return mChecked; }
    void setChecked(bool checked) { mChecked = checked; }
    bool pushed() const { return mPushed; }
    void setPushed(bool pushed) { mPushed = pushed; }
    std::function<void(bool)> callback() const { return mCallback; }
    void setCallback(const std::function<void(bool)>& callback) { mCallback = callback; }

    bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    void draw(NVGcontext* ctx) override;

protected:
    std::string mCaption;
    bool mPushed = false;
    bool mChecked = false;
    std::function<void(bool)> mCallback;
};

}  // namespace nanogui
