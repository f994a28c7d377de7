// Body of a collapsible group.
#pragma once

#include <nanogui/widget.h>

#include <functional>

namespace druvex {

// The rows of a collapsible group are its children. setExpanded sets the
// widget's own visible flag, so a collapsed body is hidden and takes no space.
class ExpandableWidget : public nanogui::Widget {
public:
    explicit ExpandableWidget(nanogui::Widget* parent);

    bool expanded() const { return mExpanded; }
    // Sets the flag and the visibility, then calls the expand callback (every call).
    void setExpanded(bool expanded);

    const std::function<void(bool)>& expandCallback() const { return mExpandCallback; }
    void setExpandCallback(const std::function<void(bool)>& callback) {
        mExpandCallback = callback;
    }

protected:
    ~ExpandableWidget() override;

    bool mExpanded = false;
    std::function<void(bool)> mExpandCallback;
};

}  // namespace druvex
