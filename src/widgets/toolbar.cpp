// Toolbar: layout of its equal-width buttons.
#include "toolbar.h"

namespace druvex {

Toolbar::Toolbar(nanogui::Widget* parent) : nanogui::Widget(parent) {}

nanogui::Vector2i Toolbar::preferredSize(NVGcontext*) const {
    return nanogui::Vector2i(0, height());
}

void Toolbar::performLayout(NVGcontext* ctx) {
    int n = childCount();
    if (n > 0) {
        int w = width() / n;
        for (nanogui::Widget* child : children())
            child->setFixedSize(nanogui::Vector2i(w, height()));
    }
    nanogui::Widget::performLayout(ctx);
}

}  // namespace druvex
