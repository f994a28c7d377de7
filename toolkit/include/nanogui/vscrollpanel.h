// VScrollPanel: a vertical scroll area around one child.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

// Shows one child, scrolled vertically when it is taller than the panel.
class VScrollPanel : public Widget {
public:
    explicit VScrollPanel(Widget* parent);

    float scroll() const { return mScroll; }
    void setScroll(float scroll) { mScroll = scroll; }

    void performLayout(NVGcontext* ctx) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers) override;
    bool scrollEvent(const Vector2i& p, const Vector2f& rel) override;
    void draw(NVGcontext* ctx) override;

protected:
    int mChildPreferredHeight = 0;
    float mScroll = 0.0f;
    bool mUpdateLayout = false;
};

}  // namespace nanogui
