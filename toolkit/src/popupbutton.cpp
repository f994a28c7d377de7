// PopupButton: opening, placing and drawing its popup.
#include <nanogui/opengl.h>
#include <nanogui/popupbutton.h>
#include <nanogui/screen.h>

namespace nanogui {

PopupButton::PopupButton(Widget* parent, const std::string& caption, int buttonIcon)
    : Button(parent, caption, buttonIcon) {
    setFlags(Flags::ToggleButton | Flags::PopupButton);
    // The popup is a child of the screen; a button made in a detached tree
    // gets its popup attached when it first meets a screen (updateState).
    mPopup = new Popup(screen(), window());
    mPopup->setSize(Vector2i(320, 250));
    mPopup->setVisible(false);
}

PopupButton::~PopupButton() {
    // A popup without its button leaves the screen too (also when the button
    // went with a plain removeChild instead of removeFromParent).
    if (mPopup) {
        if (Widget* parent = mPopup->parent()) parent->removeChild(mPopup.get());
        mPopup->setParentWindow(nullptr);
    }
}

Vector2i PopupButton::preferredSize(NVGcontext* ctx) const {
    return Button::preferredSize(ctx) + Vector2i(15, 0);
}

void PopupButton::draw(NVGcontext* ctx) {
    if (!mEnabled && mPushed) mPushed = false;
    const auto icon = utf8(mChevronIcon);
    const int fs = mFontSize < 0 ? mTheme->mButtonFontSize : mFontSize;
    float iw = 0.0f;
    if (mChevronIcon) {
        nvgFontSize(ctx, fs * mTheme->mIconScale);
        nvgFontFace(ctx, "icons");
        iw = nvgTextBounds(ctx, 0, 0, icon.data(), nullptr, nullptr);
    }
    // The caption keeps clear of the chevron and the chevron's own margin.
    mCaptionRightInset = mChevronIcon ? iw + 8.0f : 0.0f;
    Button::draw(ctx);
    if (mChevronIcon) {
        NVGcolor textColor = mTextColor.w() == 0 ? mTheme->mTextColor : mTextColor;
        nvgFontSize(ctx, fs * mTheme->mIconScale);
        nvgFontFace(ctx, "icons");
        nvgFillColor(ctx, mEnabled ? textColor : NVGcolor(mTheme->mDisabledTextColor));
        nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_MIDDLE);
        Vector2f iconPos(mPos.x() + mSize.x() - iw - 8, mPos.y() + mSize.y() * 0.5f);
        nvgText(ctx, iconPos.x(), iconPos.y(), icon.data(), nullptr);
    }
}

void PopupButton::performLayout(NVGcontext* ctx) {
    Widget::performLayout(ctx);
    const Window* parentWindow = window();
    if (parentWindow && mPopup) {
        int posY = absolutePosition().y() - parentWindow->absolutePosition().y() + mSize.y() / 2;
        mPopup->setAnchorPos(Vector2i(parentWindow->width() + 15, posY));
    }
}

void PopupButton::updateState() {
    Button::updateState();
    if (mPopup && !mPopup->parent()) {
        if (Screen* s = screen()) {
            s->addChild(mPopup.get());
            if (!mPopup->parentWindow()) mPopup->setParentWindow(window());
        }
    }
    if (mPushed && (!mEnabled || !visibleRecursive())) mPushed = false;
    if (mPushed) {
        if (Window* w = window()) w->setOpenPopupButton(this);
    }
    if (mPopup) mPopup->setVisible(mPushed);
}

void PopupButton::releaseReferences() {
    Button::releaseReferences();
    if (mPopup) mPopup->removeFromParent();
}

}  // namespace nanogui
