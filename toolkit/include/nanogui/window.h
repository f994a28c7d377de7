// Top-level windows and popups.
#pragma once

#include <nanogui/widget.h>

namespace nanogui {

class Window : public Widget {
public:
    Window(Widget* parent, const std::string& title = "Untitled");

    const std::string& title() const { return mTitle; }
    void setTitle(const std::string& title) { mTitle = title; }
    bool modal() const { return mModal; }
    void setModal(bool modal) { mModal = modal; }

    // Header buttons (22x22, font 15), excluded from the window's layout.
    Widget* buttonPanel();
    // Removes the window from its screen.
    void dispose();
    // Centres the window on its screen.
    void center();

    // At most one open popup per window: un-pushes a different stored button.
    void setOpenPopupButton(PopupButton* button);
    PopupButton* openPopupButton() const { return mOpenPopupButton; }
    virtual void refreshRelativePlacement() {}

    void draw(NVGcontext* ctx) override;
    bool mouseEnterEvent(const Vector2i& p, bool enter) override;
    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers) override;
    bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) override;
    bool scrollEvent(const Vector2i& p, const Vector2f& rel) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    void performLayout(NVGcontext* ctx) override;
    void descendantReleased(Widget* widget) override;

protected:
    std::string mTitle;
    Widget* mButtonPanel = nullptr;
    bool mModal = false;
    bool mDrag = false;
    PopupButton* mOpenPopupButton = nullptr;
};

// A window attached to a parent window, placed to its right with a pointer.
class Popup : public Window {
public:
    // parent is the screen; parentWindow the window of the popup button.
    Popup(Widget* parent, Window* parentWindow);

    void setAnchorPos(const Vector2i& anchorPos) { mAnchorPos = anchorPos; }
    const Vector2i& anchorPos() const { return mAnchorPos; }
    void setAnchorHeight(int anchorHeight) { mAnchorHeight = anchorHeight; }
    int anchorHeight() const { return mAnchorHeight; }
    Window* parentWindow() { return mParentWindow; }
    const Window* parentWindow() const { return mParentWindow; }
    void setParentWindow(Window* w) { mParentWindow = w; }

    void performLayout(NVGcontext* ctx) override;
    Vector2i preferredSize(NVGcontext* ctx) const override;
    void draw(NVGcontext* ctx) override;
    // Places the popup beside its anchor and keeps it on the screen.
    void refreshRelativePlacement() override;

protected:
    Window* mParentWindow;
    Vector2i mAnchorPos{0, 0};
    int mAnchorHeight = 30;
};

}  // namespace nanogui
