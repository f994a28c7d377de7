// Base class of every widget of the toolkit layer.
#pragma once

#include <nanogui/common.h>
#include <nanogui/theme.h>
#include <set>
#include <vector>

namespace nanogui {

class Widget : public Object {
public:
    // A null parent makes a detached widget (it joins a tree with addChild).
    explicit Widget(Widget* parent);

    // Tree --------------------------------------------------------------------
    Widget* parent() { return mParent; }
    const Widget* parent() const { return mParent; }
    void setParent(Widget* parent) { mParent = parent; }

    // Takes this widget out of the tree: releaseReferences() on itself (every
    // ancestor learns of the whole subtree), then the parent's removeChild.
    virtual void removeFromParent();

    Layout* layout() { return mLayout; }
    const Layout* layout() const { return mLayout.get(); }
    void setLayout(Layout* layout);

    Theme* theme() { return mTheme; }
    const Theme* theme() const { return mTheme.get(); }
    virtual void setTheme(Theme* theme);

    const Vector2i& position() const { return mPos; }
    void setPosition(const Vector2i& pos) { mPos = pos; }
    Vector2i absolutePosition() const {
        return mParent ? (mParent->absolutePosition() + mPos).eval() : mPos;
    }

    const Vector2i& size() const { return mSize; }
    void setSize(const Vector2i& size) { mSize = size; }
    int width() const { return mSize.x(); }
    void setWidth(int width) { mSize.x() = width; }
    int height() const { return mSize.y(); }
    void setHeight(int height) { mSize.y() = height; }

    // 0 on an axis = not fixed.
    void setFixedSize(const Vector2i& fixedSize) { mFixedSize = fixedSize; }
    const Vector2i& fixedSize() const { return mFixedSize; }
    int fixedWidth() const { return mFixedSize.x(); }
    int fixedHeight() const { return mFixedSize.y(); }
    void setFixedWidth(int width) { mFixedSize.x() = width; }
    void setFixedHeight(int height) { mFixedSize.y() = height; }

    // Own flag AND every group of the widget visible.
    bool visible() const;
    void setVisible(bool visible) { mVisible = visible; }
    // The widget's own flag, regardless of its groups.
    bool ownVisible() const { return mVisible; }
    // visible() of the widget and of every ancestor.
    bool visibleRecursive() const;

    // Visibility groups (ordered by address, each held once, by reference).
    void addGroup(Group* group);
    const std::set<ref<Group>>& groups() const { return mGroups; }

    int childCount() const { return (int)mChildren.size(); }
    const std::vector<Widget*>& children() const { return mChildren; }
    void addChild(Widget* widget);
    virtual void addChild(int index, Widget* widget);
    void removeChild(int index);
    void removeChild(const Widget* widget);
    const Widget* childAt(int index) const { return mChildren[(size_t)index]; }
    Widget* childAt(int index) { return mChildren[(size_t)index]; }
    int childIndex(Widget* widget) const;

    template <typename WidgetClass, typename... Args>
    WidgetClass* add(const Args&... args) {
        return new WidgetClass(this, args...);
    }

    // The nearest Window ancestor (or this); null when there is none.
    Window* window();
    // The Screen at the root; null for a detached tree.
    Screen* screen();

    void setId(const std::string& id) { mId = id; }
    const std::string& id() const { return mId; }

    bool enabled() const { return mEnabled; }
    void setEnabled(bool enabled) { mEnabled = enabled; }

    bool focused() const { return mFocused; }
    void setFocused(bool focused) { mFocused = focused; }
    void requestFocus();

    const std::string& tooltip() const { return mTooltip; }
    void setTooltip(const std::string& tooltip) { mTooltip = tooltip; }

    // -1 = the theme's standard size.
    int fontSize() const;
    void setFontSize(int fontSize) { mFontSize = fontSize; }
    bool hasFontSize() const { return mFontSize > 0; }

    // p in the parent's coordinates.
    bool contains(const Vector2i& p) const {
        auto d = (p - mPos).array();
        return (d >= 0).all() && (d < mSize.array()).all();
    }
    // Deepest visible widget at p (parent coordinates); null when outside.
    Widget* findWidget(const Vector2i& p);

    // Events (p in the parent's coordinates) ------------------------------------
    virtual bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers);
    virtual bool mouseMotionEvent(const Vector2i& p, const Vector2i& rel, int button,
                                  int modifiers);
    virtual bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers);
    virtual bool mouseEnterEvent(const Vector2i& p, bool enter);
    virtual bool scrollEvent(const Vector2i& p, const Vector2f& rel);
    virtual bool focusEvent(bool focused);
    virtual bool keyboardEvent(int key, int scancode, int action, int modifiers);
    virtual bool keyboardCharacterEvent(unsigned int codepoint);

    // Layout and drawing ---------------------------------------------------------
    virtual Vector2i preferredSize(NVGcontext* ctx) const;
    // Once per frame before drawing: children in order.
    virtual void updateState();
    virtual void performLayout(NVGcontext* ctx);
    virtual void draw(NVGcontext* ctx);

    // Lifecycle extensions ----------------------------------------------------------
    // An ancestor learns that `widget` (a descendant) leaves the tree.
    virtual void descendantReleased(Widget* widget);
    // Announces this widget to every ancestor, then its children (depth first).
    virtual void releaseReferences();

protected:
    ~Widget() override;

    Widget* mParent = nullptr;
    ref<Theme> mTheme;
    ref<Layout> mLayout;
    std::string mId;
    Vector2i mPos{0, 0};
    Vector2i mSize{0, 0};
    Vector2i mFixedSize{0, 0};
    std::vector<Widget*> mChildren;
    std::set<ref<Group>> mGroups;
    bool mVisible = true;
    bool mEnabled = true;
    bool mFocused = false;
    bool mMouseFocus = false;
    std::string mTooltip;
    int mFontSize = -1;
};

}  // namespace nanogui
