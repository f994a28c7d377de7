// LabelButton: drawing and clicks of a caption button.
#include "label_button.h"

namespace druvex {

LabelButton::LabelButton(nanogui::Widget* parent, const std::string& caption,
                         const std::string& font, int fontSize)
    : nanogui::Label(parent, caption, font, fontSize) {}

LabelButton::~LabelButton() { mClickCallback = nullptr; }

bool LabelButton::mouseButtonEvent(const nanogui::Vector2i& p, int button, bool down,
                                   int modifiers) {
    nanogui::KeepAlive self(this);
    bool result = nanogui::Widget::mouseButtonEvent(p, button, down, modifiers);
    if (down && mClickCallback) {
        auto cb = mClickCallback;
        cb();
    }
    return result;
}

}  // namespace druvex
