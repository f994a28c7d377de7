// A band along the bottom of the window that shows failures until the user
// dismisses them with a click on it.
#pragma once

#include <nanogui/widget.h>

#include <string>
#include <vector>

namespace druvex {

class MessageBanner : public nanogui::Widget {
public:
    // The latest messages are shown; a line counts the earlier ones.
    static constexpr size_t shown_messages = 4;
    static constexpr const char* dismiss_hint = "Click here or press Esc to dismiss";

    explicit MessageBanner(nanogui::Widget* parent);

    // Shows the banner with `message` added below the others; the same
    // message again right after itself is shown once.
    void add(const std::string& message);
    // Forgets every message and hides the banner.
    void dismiss();
    // The latest messages, oldest first, as shown.
    const std::vector<std::string>& messages() const { return messages_; }

    // As wide as its parent, as high as its lines; it sits at the parent's bottom.
    nanogui::Vector2i preferredSize(NVGcontext* ctx) const override;
    void performLayout(NVGcontext* ctx) override;
    void draw(NVGcontext* ctx) override;
    bool mouseButtonEvent(const nanogui::Vector2i& p, int button, bool down,
                          int modifiers) override;

private:
    std::vector<std::string> shown_lines() const;
    float text_width(NVGcontext* ctx) const;

    std::vector<std::string> messages_;  // at most shown_messages
    size_t earlier_ = 0;                 // messages no longer shown
};

}  // namespace druvex
