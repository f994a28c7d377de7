// Widget: the tree, visibility, focus and event dispatch.
#include <nanogui/layout.h>
#include <nanogui/opengl.h>
#include <nanogui/screen.h>
#include <nanogui/widget.h>
#include <nanogui/window.h>

#include <algorithm>

namespace nanogui {

Widget::Widget(Widget* parent) {
    mTheme = Theme::defaultTheme();
    if (parent) parent->addChild(this);
}

Widget::~Widget() {
    // Detach first, release after: a child's destructor may touch the tree.
    std::vector<Widget*> children;
    children.swap(mChildren);
    for (Widget* child : children)
        if (child && child->mParent == this) child->mParent = nullptr;
    for (Widget* child : children)
        if (child) child->decRef();
}

void Widget::setTheme(Theme* theme) {
    if (mTheme.get() == theme) return;
    mTheme = theme;
    for (Widget* child : mChildren) child->setTheme(theme);
}

void Widget::setLayout(Layout* layout) { mLayout = layout; }

int Widget::fontSize() const {
    if (mFontSize > 0) return mFontSize;
    return mTheme ? mTheme->mStandardFontSize : 16;
}

bool Widget::visible() const {
    if (!mVisible) return false;
    for (const ref<Group>& g : mGroups)
        if (!g->visible()) return false;
    return true;
}

bool Widget::visibleRecursive() const {
    for (const Widget* w = this; w; w = w->mParent)
        if (!w->visible()) return false;
    return true;
}

void Widget::addGroup(Group* group) {
    if (!group) return;
    mGroups.insert(ref<Group>(group));
}

Vector2i Widget::preferredSize(NVGcontext* ctx) const {
    if (mLayout) return mLayout->preferredSize(ctx, this);
    return mSize;
}

void Widget::updateState() {
    // Index loop: a state pass may not add children, but be robust if it does.
    for (size_t i = 0; i < mChildren.size(); ++i) {
        ref<Widget> child = mChildren[i];
        child->updateState();
    }
}

void Widget::performLayout(NVGcontext* ctx) {
    if (mLayout) {
        mLayout->performLayout(ctx, this);
    } else {
        for (Widget* c : mChildren) {
            Vector2i pref = c->preferredSize(ctx), fix = c->fixedSize();
            c->setSize(Vector2i(fix[0] ? fix[0] : pref[0], fix[1] ? fix[1] : pref[1]));
            c->performLayout(ctx);
        }
    }
}

Widget* Widget::findWidget(const Vector2i& p) {
    for (auto it = mChildren.rbegin(); it != mChildren.rend(); ++it) {
        Widget* child = *it;
        if (child->visible() && child->contains(p - mPos)) return child->findWidget(p - mPos);
    }
    return contains(p) ? this : nullptr;
}

bool Widget::mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) {
    KeepAlive self(this);
    for (int i = (int)mChildren.size() - 1; i >= 0; --i) {
        if (i >= (int)mChildren.size()) continue;
        Widget* child = mChildren[(size_t)i];
        if (child->visible() && child->contains(p - mPos) &&
            child->mouseButtonEvent(p - mPos, button, down, modifiers))
            return true;
    }
    if (button == GLFW_MOUSE_BUTTON_1 && down && !mFocused) requestFocus();
    return false;
}

bool Widget::mouseMotionEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers) {
    KeepAlive self(this);
    for (int i = (int)mChildren.size() - 1; i >= 0; --i) {
        if (i >= (int)mChildren.size()) continue;
        Widget* child = mChildren[(size_t)i];
        if (!child->visible()) continue;
        bool contained = child->contains(p - mPos), prevContained = child->contains(p - mPos - rel);
        if (contained != prevContained) child->mouseEnterEvent(p, contained);
        if ((contained || prevContained) &&
            child->mouseMotionEvent(p - mPos, rel, button, modifiers))
            return true;
    }
    return false;
}

bool Widget::scrollEvent(const Vector2i& p, const Vector2f& rel) {
    for (int i = (int)mChildren.size() - 1; i >= 0; --i) {
        Widget* child = mChildren[(size_t)i];
        if (!child->visible()) continue;
        if (child->contains(p - mPos)) return child->scrollEvent(p - mPos, rel);
    }
    return false;
}

bool Widget::mouseDragEvent(const Vector2i&, const Vector2i&, int, int) { return false; }

bool Widget::mouseEnterEvent(const Vector2i&, bool enter) {
    mMouseFocus = enter;
    return false;
}

bool Widget::focusEvent(bool focused) {
    mFocused = focused;
    return false;
}

bool Widget::keyboardEvent(int, int, int, int) { return false; }

bool Widget::keyboardCharacterEvent(unsigned int) { return false; }

void Widget::addChild(int index, Widget* widget) {
    if (!widget || widget == this) return;
    widget->incRef();  // this widget's reference
    if (widget->mParent) {
        // Detach from the old parent (also from this one: no duplicates).
        widget->mParent->removeChild(widget);
    }
    index = std::max(0, std::min(index, childCount()));
    mChildren.insert(mChildren.begin() + index, widget);
    widget->mParent = this;
    widget->setTheme(mTheme);
}

void Widget::addChild(Widget* widget) { addChild(childCount(), widget); }

void Widget::removeChild(const Widget* widget) {
    size_t before = mChildren.size();
    mChildren.erase(std::remove(mChildren.begin(), mChildren.end(), widget), mChildren.end());
    size_t removed = before - mChildren.size();
    if (removed == 0) return;
    Widget* w = const_cast<Widget*>(widget);
    w->mParent = nullptr;
    for (size_t i = 0; i < removed; ++i) w->decRef();
}

void Widget::removeChild(int index) {
    if (index < 0 || index >= childCount()) return;
    Widget* widget = mChildren[(size_t)index];
    mChildren.erase(mChildren.begin() + index);
    widget->mParent = nullptr;
    widget->decRef();
}

int Widget::childIndex(Widget* widget) const {
    auto it = std::find(mChildren.begin(), mChildren.end(), widget);
    if (it == mChildren.end()) return -1;
    return (int)(it - mChildren.begin());
}

Window* Widget::window() {
    Widget* widget = this;
    while (widget) {
        if (Window* window = dynamic_cast<Window*>(widget)) return window;
        widget = widget->parent();
    }
    return nullptr;
}

Screen* Widget::screen() {
    Widget* widget = this;
    while (widget) {
        if (Screen* screen = dynamic_cast<Screen*>(widget)) return screen;
        widget = widget->parent();
    }
    return nullptr;
}

void Widget::requestFocus() {
    Widget* widget = this;
    while (widget->parent()) widget = widget->parent();
    if (Screen* screen = dynamic_cast<Screen*>(widget)) screen->updateFocus(this);
}

void Widget::draw(NVGcontext* ctx) {
    if (mChildren.empty()) return;
    nvgSave(ctx);
    nvgTranslate(ctx, (float)mPos.x(), (float)mPos.y());
    for (Widget* child : mChildren) {
        if (!child->visible()) continue;
        nvgSave(ctx);
        nvgIntersectScissor(ctx, (float)child->mPos.x(), (float)child->mPos.y(),
                            (float)child->mSize.x(), (float)child->mSize.y());
        child->draw(ctx);
        nvgRestore(ctx);
    }
    nvgRestore(ctx);
}

void Widget::removeFromParent() {
    KeepAlive self(this);  // finish before a last reference goes
    releaseReferences();
    if (mParent) mParent->removeChild(this);
}

void Widget::releaseReferences() {
    for (Widget* ancestor = mParent; ancestor; ancestor = ancestor->mParent)
        ancestor->descendantReleased(this);
    std::vector<ref<Widget>> children(mChildren.begin(), mChildren.end());
    for (auto& child : children) child->releaseReferences();
}

void Widget::descendantReleased(Widget*) {}

}  // namespace nanogui
