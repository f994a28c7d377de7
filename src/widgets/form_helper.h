// Builder of the viewer's panels: rows in a four-column grid, visibility groups,
// collapsible groups, typed rows bound to getters and setters, and a per-frame refresh pass.
#pragma once

#include <nanogui/button.h>
#include <nanogui/label.h>
#include <nanogui/layout.h>
#include <nanogui/popupbutton.h>
#include <nanogui/vscrollpanel.h>
#include <nanogui/widget.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "expandable_widget.h"
#include "form_widget.h"
#include "label_button.h"
#include "platform/scope_guard.h"
#include "toolbar.h"

namespace druvex {

using GroupRef = nanogui::ref<nanogui::Group>;
using GroupPair = std::pair<GroupRef, GroupRef>;

class FormHelper {
public:
    // A null window makes a detached plain widget and uses it.
    explicit FormHelper(nanogui::Widget* window = nullptr);
    FormHelper(const FormHelper&) = delete;
    FormHelper& operator=(const FormHelper&) = delete;
    ~FormHelper();

    // The container that receives new rows; createLayout gives it a new grid.
    void setWindow(nanogui::Widget* window, bool createLayout = true);
    nanogui::Widget* window() const { return mWindow.get(); }
    nanogui::AdvancedGridLayout* layout() const { return mLayout.get(); }
    // Four columns 10, 0, 10, 0; no rows; margin 10; column 3 stretches.
    void createGridLayout(nanogui::Widget* window);

    nanogui::VScrollPanel* addScrollPanel();
    void addSpacer(int height);
    nanogui::Widget* addWidget(nanogui::Widget* widget);
    nanogui::Label* addWidget(const std::string& caption, nanogui::Widget* widget);
    nanogui::Widget* addFullWidthWidget(nanogui::Widget* widget = nullptr);
    nanogui::Label* addLabel(const std::string& caption);
    nanogui::Button* addButton(const std::string& caption, const std::function<void()>& callback);
    nanogui::Button* addToggleButton(const std::string& caption,
                                     const std::function<void(bool)>& changeCallback);
    nanogui::PopupButton* addPopupButton(const std::string& caption);
    Toolbar* addToolbar();
    ExpandableWidget* addExpandableGroup(const std::string& caption, bool expanded);

    void addRefreshCallback(const std::function<void()>& callback);
    // Every refresh callback in insertion order (an empty one throws std::bad_function_call).
    void refresh();
    size_t refreshCallbackCount() const { return mRefreshCallbacks.size(); }

    GroupRef addVisibilityGroup(const std::function<bool()>& visible);
    // (shown while the predicate is true, shown while it is false); the
    // predicate is called twice per refresh.
    GroupPair addVisibilityGroups(const std::function<bool()>& predicate);
    GroupPair addFlagVisibilityGroups(const bool* flag);

    std::unique_ptr<ScopeGuard> scopedWindow(nanogui::Widget* window, bool createLayout = true);
    std::unique_ptr<ScopeGuard> scopedGroup(nanogui::Group* group);
    std::unique_ptr<ScopeGuard> scopedGroups(const std::vector<nanogui::Group*>& groups);
    // Adds the widget to every current group.
    void applyGroups(nanogui::Widget* widget);
    const std::vector<GroupRef>& currentGroups() const { return mGroups; }

    // A value row: caption in column 1, the typed widget in column 3.
    template <typename T>
    FormWidget<T>* addVariable(const std::string& caption,
                               const std::function<void(const T&)>& setter,
                               const std::function<T()>& getter, bool editable = true);
    // Bound to a variable (getter reads it, setter assigns it).
    template <typename T>
    FormWidget<T>* addVariable(const std::string& caption, T& value, bool editable = true);
    // Read-only row that reads through a pointer on every refresh.
    template <typename T>
    FormWidget<T>* addPointerVariable(const std::string& caption, const T* value);
    // Read-only row showing a value copied when the row is made.
    template <typename T>
    FormWidget<T>* addValueVariable(const std::string& caption, const T& value);

    // Settings ------------------------------------------------------------------
    const std::string& groupFontName() const { return mGroupFontName; }
    void setGroupFontName(const std::string& name) { mGroupFontName = name; }
    const std::string& labelFontName() const { return mLabelFontName; }
    void setLabelFontName(const std::string& name) { mLabelFontName = name; }
    const nanogui::Vector2i& fixedSize() const { return mFixedSize; }
    void setFixedSize(const nanogui::Vector2i& size) { mFixedSize = size; }
    int groupFontSize() const { return mGroupFontSize; }
    void setGroupFontSize(int size) { mGroupFontSize = size; }
    int labelFontSize() const { return mLabelFontSize; }
    void setLabelFontSize(int size) { mLabelFontSize = size; }
    int widgetFontSize() const { return mWidgetFontSize; }
    void setWidgetFontSize(int size) { mWidgetFontSize = size; }
    int preGroupSpacing() const { return mPreGroupSpacing; }
    void setPreGroupSpacing(int s) { mPreGroupSpacing = s; }
    int postGroupSpacing() const { return mPostGroupSpacing; }
    void setPostGroupSpacing(int s) { mPostGroupSpacing = s; }
    int variableSpacing() const { return mVariableSpacing; }
    void setVariableSpacing(int s) { mVariableSpacing = s; }
    int buttonHeight() const { return mButtonHeight; }
    void setButtonHeight(int h) { mButtonHeight = h; }

private:
    int appendRow();
    void anchor(nanogui::Widget* widget, const nanogui::AdvancedGridLayout::Anchor& anchor);

    nanogui::ref<nanogui::Widget> mWindow;
    nanogui::ref<nanogui::AdvancedGridLayout> mLayout;
    std::vector<std::function<void()>> mRefreshCallbacks;
    std::vector<GroupRef> mGroups;
    std::string mGroupFontName = "sans-bold";
    std::string mLabelFontName = "sans";
    nanogui::Vector2i mFixedSize{0, 20};
    int mGroupFontSize = 20;
    int mLabelFontSize = 16;
    int mWidgetFontSize = 16;
    int mPreGroupSpacing = 5;
    int mPostGroupSpacing = 0;
    int mVariableSpacing = 5;
    int mButtonHeight = 25;
};

// ---- templates ----------------------------------------------------------------------

template <typename T>
FormWidget<T>* FormHelper::addVariable(const std::string& caption,
                                       const std::function<void(const T&)>& setter,
                                       const std::function<T()>& getter, bool editable) {
    auto* widget = new FormWidget<T>(mWindow.get());
    nanogui::ref<nanogui::Widget> keep(widget);
    widget->setCallback([setter](const T& v) { setter(v); });
    widget->setEditable(editable);
    widget->setFontSize(mWidgetFontSize);
    nanogui::Vector2i fs = widget->fixedSize();
    widget->setFixedSize(nanogui::Vector2i(fs.x() != 0 ? fs.x() : mFixedSize.x(),
                                           fs.y() != 0 ? fs.y() : mFixedSize.y()));
    {
        T v = getter();  // an empty getter throws std::bad_function_call
        if (v != widget->value()) widget->setValue(v);
    }
    nanogui::ref<FormWidget<T>> ref(widget);
    addRefreshCallback([ref, getter]() {
        T v = getter();
        if (v != ref->value()) ref->setValue(v);
    });
    addWidget(caption, widget);
    return widget;
}

template <typename T>
FormWidget<T>* FormHelper::addVariable(const std::string& caption, T& value, bool editable) {
    T* p = &value;
    return addVariable<T>(
        caption, [p](const T& v) { *p = v; }, [p]() -> T { return *p; }, editable);
}

template <typename T>
FormWidget<T>* FormHelper::addPointerVariable(const std::string& caption, const T* value) {
    return addVariable<T>(
        caption, [](const T&) {}, [value]() -> T { return *value; }, false);
}

template <typename T>
FormWidget<T>* FormHelper::addValueVariable(const std::string& caption, const T& value) {
    T copy = value;
    return addVariable<T>(
        caption, [](const T&) {}, [copy]() -> T { return copy; }, false);
}

}  // namespace druvex
