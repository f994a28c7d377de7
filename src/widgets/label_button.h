// A caption that acts as a button: the header of a collapsible group.
#pragma once

#include <nanogui/label.h>

#include <functional>

namespace druvex {

class LabelButton : public nanogui::Label {
public:
    LabelButton(nanogui::Widget* parent, const std::string& caption,
                const std::string& font = "sans", int fontSize = -1);

    const std::function<void()>& clickCallback() const { return mClickCallback; }
    void setClickCallback(const std::function<void()>& callback) { mClickCallback = callback; }
    // Alias in the toolkit's naming.
    void setCallback(const std::function<void()>& callback) { mClickCallback = callback; }

    // The plain widget behaviour, then the click callback on any press.
    bool mouseButtonEvent(const nanogui::Vector2i& p, int button, bool down,
                          int modifiers) override;

protected:
    ~LabelButton() override;

    std::function<void()> mClickCallback;
};

}  // namespace druvex
