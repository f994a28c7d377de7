// A toggle button that opens a Popup beside its window.
#pragma once

#include <nanogui/button.h>
#include <nanogui/entypo.h>
#include <nanogui/window.h>

namespace nanogui {

class PopupButton : public Button {
public:
    PopupButton(Widget* parent, const std::string& caption = "Untitled", int buttonIcon = 0);

    void setChevronIcon(int icon) { mChevronIcon = icon; }
    int chevronIcon() const { return mChevronIcon; }
    Popup* popup() { return mPopup.get(); }
    const Popup* popup() const { return mPopup.get(); }

    void draw(NVGcontext* ctx) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    void performLayout(NVGcontext* ctx) override;
    // Children first; un-push when disabled or hidden; register as the
    // window's open popup; popup visible = pushed.
    void updateState() override;
    // The base, then the popup (a child of the screen) leaves the tree too.
    void releaseReferences() override;

protected:
    ~PopupButton() override;
    ref<Popup> mPopup;
    int mChevronIcon = ENTYPO_ICON_CHEVRON_RIGHT;
};

}  // namespace nanogui
