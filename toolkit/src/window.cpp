// Window: title bar, dragging, disposal and centring.
#include <nanogui/layout.h>
#include <nanogui/opengl.h>
#include <nanogui/popupbutton.h>
#include <nanogui/screen.h>
#include <nanogui/window.h>

#include <algorithm>

namespace nanogui {

// ---- Window -------------------------------------------------------------------------

Window::Window(Widget* parent, const std::string& title) : Widget(parent), mTitle(title) {}

Vector2i Window::preferredSize(NVGcontext* ctx) const {
    bool panelVisible = mButtonPanel && mButtonPanel->ownVisible();
    if (mButtonPanel) mButtonPanel->setVisible(false);
    Vector2i result = Widget::preferredSize(ctx);
    if (mButtonPanel) mButtonPanel->setVisible(panelVisible);
    if (mTitle.empty()) return result;
    nvgFontSize(ctx, 18.0f);
    nvgFontFace(ctx, "sans-bold");
    float bounds[4];
    nvgTextBounds(ctx, 0, 0, mTitle.c_str(), nullptr, bounds);
    return result.cwiseMax(
        Vector2i((int)(bounds[2] - bounds[0] + 20), (int)(bounds[3] - bounds[1])));
}

Widget* Window::buttonPanel() {
    if (!mButtonPanel) {
        mButtonPanel = new Widget(this);
        mButtonPanel->setLayout(new BoxLayout(Orientation::Horizontal, Alignment::Middle, 0, 4));
    }
    return mButtonPanel;
}

void Window::performLayout(NVGcontext* ctx) {
    if (!mButtonPanel) {
        Widget::performLayout(ctx);
        return;
    }
    bool panelVisible = mButtonPanel->ownVisible();
    mButtonPanel->setVisible(false);
    Widget::performLayout(ctx);
    for (Widget* w : mButtonPanel->children()) {
        w->setFixedSize(Vector2i(22, 22));
        w->setFontSize(15);
    }
    mButtonPanel->setVisible(panelVisible);
    mButtonPanel->setSize(Vector2i(width(), 22));
    mButtonPanel->setPosition(Vector2i(width() - (mButtonPanel->preferredSize(ctx).x() + 5), 3));
    mButtonPanel->performLayout(ctx);
}

void Window::draw(NVGcontext* ctx) {
    int ds = mTheme->mWindowDropShadowSize, cr = mTheme->mWindowCornerRadius;
    int hh = mTheme->mWindowHeaderHeight;
    float x = (float)mPos.x(), y = (float)mPos.y(), w = (float)mSize.x(), h = (float)mSize.y();

    nvgSave(ctx);
    // Drop shadow, then the window body.
    nvgDropShadow(ctx, x, y + 2, w, h, (float)cr * 2, (float)ds, mTheme->mDropShadow);
    nvgFillColor(ctx, mMouseFocus ? mTheme->mWindowFillFocused : mTheme->mWindowFillUnfocused);
    nvgFillRect(ctx, x, y, w, h, (float)cr);

    if (!mTitle.empty()) {
        // Header with a gradient and a separation line.
        nvgFillRectGradient(ctx, x, y, w, (float)hh, (float)cr, mTheme->mWindowHeaderGradientTop,
                            mTheme->mWindowHeaderGradientBot);
        nvgStrokeWidth(ctx, 1.0f);
        nvgStrokeColor(ctx, mTheme->mWindowHeaderSepTop);
        nvgLine(ctx, x + 0.5f, y + 1.5f, x + w - 0.5f, y + 1.5f);
        nvgStrokeColor(ctx, mTheme->mWindowHeaderSepBot);
        nvgLine(ctx, x + 0.5f, y + hh - 0.5f, x + w - 0.5f, y + hh - 0.5f);

        nvgFontSize(ctx, 18.0f);
        nvgFontFace(ctx, "sans-bold");
        nvgTextAlign(ctx, NVG_ALIGN_CENTER | NVG_ALIGN_MIDDLE);
        nvgFillColor(ctx, mTheme->mDropShadow);
        nvgText(ctx, x + w / 2, y + hh / 2 + 1, mTitle.c_str(), nullptr);
        nvgFillColor(ctx, mFocused ? mTheme->mWindowTitleFocused : mTheme->mWindowTitleUnfocused);
        nvgText(ctx, x + w / 2, y + hh / 2, mTitle.c_str(), nullptr);
    }
    nvgRestore(ctx);
    Widget::draw(ctx);
}

void Window::dispose() {
    Widget* widget = this;
    while (widget->parent()) widget = widget->parent();
    if (Screen* screen = dynamic_cast<Screen*>(widget)) screen->disposeWindow(this);
}

void Window::center() {
    Widget* widget = this;
    while (widget->parent()) widget = widget->parent();
    if (Screen* screen = dynamic_cast<Screen*>(widget)) screen->centerWindow(this);
}

bool Window::mouseEnterEvent(const Vector2i& p, bool enter) {
    Widget::mouseEnterEvent(p, enter);
    return true;
}

bool Window::mouseDragEvent(const Vector2i&, const Vector2i& rel, int button, int) {
    if (mDrag && (button & (1 << GLFW_MOUSE_BUTTON_1)) != 0) {
        mPos += rel;
        mPos = mPos.cwiseMax(Vector2i::Zero());
        if (mParent) mPos = mPos.cwiseMin((mParent->size() - mSize).cwiseMax(Vector2i::Zero()));
        return true;
    }
    return false;
}

bool Window::mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) {
    if (Widget::mouseButtonEvent(p, button, down, modifiers)) return true;
    if (button == GLFW_MOUSE_BUTTON_1) {
        mDrag = down && !mTitle.empty() && (p.y() - mPos.y()) < mTheme->mWindowHeaderHeight;
        return true;
    }
    return false;
}

bool Window::scrollEvent(const Vector2i& p, const Vector2f& rel) {
    Widget::scrollEvent(p, rel);
    return true;
}

void Window::setOpenPopupButton(PopupButton* button) {
    if (mOpenPopupButton && mOpenPopupButton != button) {
        mOpenPopupButton->setPushed(false);
        if (mOpenPopupButton->popup()) mOpenPopupButton->popup()->setVisible(false);
    }
    mOpenPopupButton = button;
}

void Window::descendantReleased(Widget* widget) {
    if (widget == mOpenPopupButton) mOpenPopupButton = nullptr;
}

// ---- Popup ----------------------------------------------------------------------------

Popup::Popup(Widget* parent, Window* parentWindow)
    : Window(parent, ""), mParentWindow(parentWindow) {}

void Popup::performLayout(NVGcontext* ctx) {
    if (mLayout || mChildren.size() != 1) {
        Widget::performLayout(ctx);
    } else {
        mChildren[0]->setPosition(Vector2i::Zero());
        mChildren[0]->setSize(mSize);
        mChildren[0]->performLayout(ctx);
    }
    refreshRelativePlacement();
}

Vector2i Popup::preferredSize(NVGcontext* ctx) const {
    Vector2i size = Window::preferredSize(ctx);
    size.y() = std::max(size.y(), 2 * mAnchorHeight);
    return size;
}

void Popup::refreshRelativePlacement() {
    if (!mParentWindow) return;
    mParentWindow->refreshRelativePlacement();
    mPos = mParentWindow->absolutePosition() + mAnchorPos - Vector2i(0, mAnchorHeight);
    // Keep a 10-unit margin above the screen's bottom edge; the top edge wins.
    Widget* root = this;
    while (root->parent()) root = root->parent();
    Vector2i offset = mParent ? mParent->absolutePosition() : Vector2i::Zero();
    mPos -= offset;
    int absTop = offset.y() + mPos.y();
    int screenHeight = root->height();
    int overflow = absTop + mSize.y() + 10 - screenHeight;
    if (overflow > 0) {
        mPos.y() -= overflow;
        absTop -= overflow;
    }
    if (absTop < 0) mPos.y() -= absTop;
    if (mVisible && !mParentWindow->visibleRecursive()) mVisible = false;
}

void Popup::draw(NVGcontext* ctx) {
    refreshRelativePlacement();
    if (!visible()) return;
    int ds = mTheme->mWindowDropShadowSize, cr = mTheme->mWindowCornerRadius;
    float x = (float)mPos.x(), y = (float)mPos.y(), w = (float)mSize.x(), h = (float)mSize.y();

    nvgSave(ctx);
    nvgDropShadow(ctx, x, y + 2, w, h, (float)cr * 2, (float)ds, mTheme->mDropShadow);
    nvgFillColor(ctx, mTheme->mWindowPopup);
    nvgFillRect(ctx, x, y, w, h, (float)cr);
    // The pointer towards the popup button (kept inside the popup's edge when
    // the popup was moved to stay on the screen).
    if (mParentWindow) {
        Vector2i parentOffset = mParent ? mParent->absolutePosition() : Vector2i::Zero();
        float anchorY =
            (float)(mParentWindow->absolutePosition().y() + mAnchorPos.y() - parentOffset.y());
        float py = std::max(y + cr + 12.0f, std::min(anchorY, y + h - cr - 12.0f));
        nvgFillTriangle(ctx, x - 15, py, x + 1, py - 15, x + 1, py + 15);
    }
    nvgRestore(ctx);
    Widget::draw(ctx);
}

}  // namespace nanogui
