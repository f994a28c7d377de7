// VScrollPanel: layout, scrolling and the scroll bar.
#include <nanogui/opengl.h>
#include <nanogui/vscrollpanel.h>

#include <algorithm>

namespace nanogui {

VScrollPanel::VScrollPanel(Widget* parent) : Widget(parent) {}

void VScrollPanel::performLayout(NVGcontext* ctx) {
    Widget::performLayout(ctx);
    if (mChildren.empty()) return;
    Widget* child = mChildren[0];
    mChildPreferredHeight = child->preferredSize(ctx).y();
    if (mChildPreferredHeight > mSize.y()) {
        child->setPosition(Vector2i(0, (int)(-mScroll * (mChildPreferredHeight - mSize.y()))));
        child->setSize(Vector2i(mSize.x() - 12, mChildPreferredHeight));
    } else {
        child->setPosition(Vector2i::Zero());
        child->setSize(Vector2i(mSize.x(), mChildPreferredHeight));
        mScroll = 0;
    }
    child->performLayout(ctx);
    mUpdateLayout = false;
}

Vector2i VScrollPanel::preferredSize(NVGcontext* ctx) const {
    if (mChildren.empty()) return Vector2i::Zero();
    return mChildren[0]->preferredSize(ctx) + Vector2i(12, 0);
}

bool VScrollPanel::mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button,
                                  int modifiers) {
    if (!mChildren.empty() && mChildPreferredHeight > mSize.y()) {
        float scrollh = height() * std::min(1.0f, height() / (float)mChildPreferredHeight);
        mScroll = std::max(
            0.f, std::min(1.f, mScroll + rel.y() / std::max(1.0f, mSize.y() - 8 - scrollh)));
        mUpdateLayout = true;
        return true;
    }
    return Widget::mouseDragEvent(p, rel, button, modifiers);
}

bool VScrollPanel::scrollEvent(const Vector2i& p, const Vector2f& rel) {
    // Offer the wheel to the widget under the mouse first (spinnable fields).
    if (Widget::scrollEvent(p, rel)) return true;
    if (!mChildren.empty() && mChildPreferredHeight > mSize.y()) {
        float scrollAmount = rel.y() * (mSize.y() / 20.0f);
        float scrollh = height() * std::min(1.0f, height() / (float)mChildPreferredHeight);
        mScroll = std::max(
            0.f, std::min(1.f, mScroll - scrollAmount / std::max(1.0f, mSize.y() - 8 - scrollh)));
        mUpdateLayout = true;
        return true;
    }
    return false;
}

void VScrollPanel::draw(NVGcontext* ctx) {
    if (mChildren.empty()) return;
    Widget* child = mChildren[0];
    int overflow = mChildPreferredHeight - mSize.y();
    child->setPosition(Vector2i(0, overflow > 0 ? (int)(-mScroll * overflow) : 0));
    mChildPreferredHeight = child->preferredSize(ctx).y();
    float scrollh = height() * std::min(1.0f, height() / (float)std::max(1, mChildPreferredHeight));
    if (mUpdateLayout) performLayout(ctx);

    nvgSave(ctx);
    nvgTranslate(ctx, (float)mPos.x(), (float)mPos.y());
    nvgIntersectScissor(ctx, 0, 0, (float)mSize.x(), (float)mSize.y());
    if (child->visible()) child->draw(ctx);
    nvgRestore(ctx);

    if (mChildPreferredHeight <= mSize.y()) return;
    float x = mPos.x() + mSize.x() - 12 + 4.0f, y = mPos.y() + 4.0f;
    nvgFillColor(ctx, Color(0, 60));
    nvgFillRect(ctx, x, y, 8, mSize.y() - 8.0f, 3);
    float thumbY = mPos.y() + 4 + 1 + (mSize.y() - 8 - scrollh) * mScroll;
    nvgFillColor(ctx, Color(220, 100));
    nvgFillRect(ctx, x + 1, thumbY, 6, scrollh - 2, 2);
}

}  // namespace nanogui
