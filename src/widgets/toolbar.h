// A row of equal-width buttons.
#pragma once

#include <nanogui/widget.h>

namespace druvex {

class Toolbar : public nanogui::Widget {
public:
    explicit Toolbar(nanogui::Widget* parent);

    // (0, current height): the toolbar takes the width its cell gives.
    nanogui::Vector2i preferredSize(NVGcontext* ctx) const override;
    // Every child gets (width / child count, height), then the plain layout runs.
    void performLayout(NVGcontext* ctx) override;
};

}  // namespace druvex
