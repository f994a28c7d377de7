// FormHelper: rows, groups, buttons, popups and the refresh pass.
#include "form_helper.h"

namespace druvex {

using nanogui::Alignment;
using Anchor = nanogui::AdvancedGridLayout::Anchor;

FormHelper::FormHelper(nanogui::Widget* window) {
    if (!window) window = new nanogui::Widget(nullptr);
    setWindow(window, true);
}

FormHelper::~FormHelper() {
    mGroups.clear();
    mRefreshCallbacks.clear();
    mLayout = nullptr;
    mWindow = nullptr;
}

void FormHelper::createGridLayout(nanogui::Widget* window) {
    auto* layout = new nanogui::AdvancedGridLayout({10, 0, 10, 0}, {}, 10);
    layout->setColStretch(3, 1.0f);
    window->setLayout(layout);
}

void FormHelper::setWindow(nanogui::Widget* window, bool createLayout) {
    if (window && createLayout) createGridLayout(window);
    mWindow = window;
    mLayout = window ? dynamic_cast<nanogui::AdvancedGridLayout*>(window->layout()) : nullptr;
}

int FormHelper::appendRow() {
    if (!mLayout) return -1;
    mLayout->appendRow(0);
    return mLayout->rowCount() - 1;
}

void FormHelper::anchor(nanogui::Widget* widget, const Anchor& a) {
    if (mLayout) mLayout->setAnchor(widget, a);
}

nanogui::VScrollPanel* FormHelper::addScrollPanel() {
    mWindow->setLayout(
        new nanogui::BoxLayout(nanogui::Orientation::Vertical, Alignment::Middle, 0, 0));
    mLayout = nullptr;
    auto* panel = new nanogui::VScrollPanel(mWindow.get());
    panel->setLayout(new nanogui::GroupLayout(15, 6, 14, 20));
    auto* inner = new nanogui::Widget(panel);
    setWindow(inner, true);
    return panel;
}

void FormHelper::addSpacer(int height) {
    int row = appendRow();
    auto* spacer = new nanogui::Widget(mWindow.get());
    applyGroups(spacer);
    spacer->setFixedHeight(height);
    if (row >= 0) anchor(spacer, Anchor(0, row, Alignment::Middle, Alignment::Middle));
}

nanogui::Widget* FormHelper::addWidget(nanogui::Widget* widget) {
    applyGroups(widget);
    addSpacer(mVariableSpacing);
    int row = appendRow();
    if (row >= 0) anchor(widget, Anchor(1, row, 3, 1, Alignment::Middle, Alignment::Middle));
    return widget;
}

nanogui::Label* FormHelper::addWidget(const std::string& caption, nanogui::Widget* widget) {
    applyGroups(widget);
    auto* label = new nanogui::Label(mWindow.get(), caption, mLabelFontName, mLabelFontSize);
    // One text line high, so the centred anchor lines the caption up with the value.
    label->setFixedHeight(mLabelFontSize);
    applyGroups(label);
    addSpacer(mVariableSpacing);
    int row = appendRow();
    if (row >= 0) {
        anchor(label, Anchor(1, row, Alignment::Middle, Alignment::Middle));
        anchor(widget, Anchor(3, row, Alignment::Minimum, Alignment::Middle));
    }
    return label;
}

nanogui::Widget* FormHelper::addFullWidthWidget(nanogui::Widget* widget) {
    if (!widget) widget = new nanogui::Widget(mWindow.get());
    applyGroups(widget);
    int row = appendRow();
    if (row >= 0) anchor(widget, Anchor(0, row, 4, 1, Alignment::Middle, Alignment::Middle));
    return widget;
}

nanogui::Label* FormHelper::addLabel(const std::string& caption) {
    auto* label = new nanogui::Label(mWindow.get(), caption, mLabelFontName, mLabelFontSize);
    addWidget(label);
    return label;
}

nanogui::Button* FormHelper::addButton(const std::string& caption,
                                       const std::function<void()>& callback) {
    auto* button = new nanogui::Button(mWindow.get(), caption);
    button->setCallback(callback);
    addWidget(button);
    button->setFixedHeight(mButtonHeight);
    return button;
}

nanogui::Button* FormHelper::addToggleButton(const std::string& caption,
                                             const std::function<void(bool)>& changeCallback) {
    auto* button = new nanogui::Button(mWindow.get(), caption);
    button->setFlags(nanogui::Button::ToggleButton);
    button->setChangeCallback(changeCallback);
    addWidget(button);
    button->setFixedHeight(mButtonHeight);
    return button;
}

nanogui::PopupButton* FormHelper::addPopupButton(const std::string& caption) {
    auto* button = new nanogui::PopupButton(mWindow.get(), caption);
    addWidget(button);
    button->setFixedHeight(mButtonHeight);
    return button;
}

Toolbar* FormHelper::addToolbar() {
    auto* toolbar = new Toolbar(mWindow.get());
    toolbar->setFixedHeight(25);
    toolbar->setLayout(
        new nanogui::BoxLayout(nanogui::Orientation::Horizontal, Alignment::Middle, 0, 0));
    addWidget(toolbar);
    toolbar->setFixedHeight(mButtonHeight);
    return toolbar;
}

ExpandableWidget* FormHelper::addExpandableGroup(const std::string& caption, bool expanded) {
    auto* body = new ExpandableWidget(mWindow.get());
    body->setExpanded(expanded);

    auto* label = new LabelButton(mWindow.get(), caption, mGroupFontName, mGroupFontSize);
    label->setFixedHeight(mGroupFontSize);
    applyGroups(label);
    label->setClickCallback([body]() { body->setExpanded(!body->expanded()); });

    auto* button = new nanogui::Button(mWindow.get(), "");
    button->setFixedSize(nanogui::Vector2i(25, 25));
    applyGroups(button);
    button->setCallback([body]() { body->setExpanded(!body->expanded()); });

    nanogui::ref<nanogui::Button> buttonRef(button);
    nanogui::ref<ExpandableWidget> bodyRef(body);
    addRefreshCallback(
        [buttonRef, bodyRef]() { buttonRef->setIcon(bodyRef->expanded() ? 0x2796 : 0x2795); });

    addSpacer(mPreGroupSpacing);
    int row = appendRow();
    if (row >= 0) {
        anchor(label, Anchor(1, row, Alignment::Middle, Alignment::Middle));
        anchor(button, Anchor(3, row, Alignment::Maximum, Alignment::Middle));
    }
    addSpacer(mPostGroupSpacing);
    addFullWidthWidget(body);
    return body;
}

void FormHelper::addRefreshCallback(const std::function<void()>& callback) {
    mRefreshCallbacks.push_back(callback);
}

void FormHelper::refresh() {
    // By index, on a copy: a callback may add callbacks.
    for (size_t i = 0; i < mRefreshCallbacks.size(); ++i) {
        std::function<void()> f = mRefreshCallbacks[i];
        f();
    }
}

GroupRef FormHelper::addVisibilityGroup(const std::function<bool()>& visible) {
    GroupRef group = new nanogui::Group();
    addRefreshCallback([group, visible]() { group->setVisible(visible()); });
    return group;
}

GroupPair FormHelper::addVisibilityGroups(const std::function<bool()>& predicate) {
    GroupRef shown = new nanogui::Group();
    GroupRef hidden = new nanogui::Group();
    addRefreshCallback([shown, hidden, predicate]() {
        shown->setVisible(predicate());
        hidden->setVisible(!predicate());
    });
    return {shown, hidden};
}

GroupPair FormHelper::addFlagVisibilityGroups(const bool* flag) {
    GroupRef whileTrue = addVisibilityGroup([flag]() { return *flag; });
    GroupRef whileFalse = addVisibilityGroup([flag]() { return !*flag; });
    return {whileTrue, whileFalse};
}

std::unique_ptr<ScopeGuard> FormHelper::scopedWindow(nanogui::Widget* window, bool createLayout) {
    nanogui::ref<nanogui::Widget> previous = mWindow;
    setWindow(window, createLayout);
    return std::make_unique<ScopeGuard>([this, previous]() { setWindow(previous.get(), false); });
}

std::unique_ptr<ScopeGuard> FormHelper::scopedGroup(nanogui::Group* group) {
    mGroups.emplace_back(group);
    return std::make_unique<ScopeGuard>([this]() {
        if (!mGroups.empty()) mGroups.pop_back();
    });
}

std::unique_ptr<ScopeGuard> FormHelper::scopedGroups(const std::vector<nanogui::Group*>& groups) {
    for (nanogui::Group* g : groups) mGroups.emplace_back(g);
    size_t n = groups.size();
    return std::make_unique<ScopeGuard>([this, n]() {
        for (size_t i = 0; i < n && !mGroups.empty(); ++i) mGroups.pop_back();
    });
}

void FormHelper::applyGroups(nanogui::Widget* widget) {
    if (!widget) return;
    for (const GroupRef& g : mGroups) widget->addGroup(g.get());
}

}  // namespace druvex
