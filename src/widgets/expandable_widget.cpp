// ExpandableWidget: expanding and collapsing a group's body.
#include "expandable_widget.h"

namespace druvex {

ExpandableWidget::ExpandableWidget(nanogui::Widget* parent) : nanogui::Widget(parent) {}

ExpandableWidget::~ExpandableWidget() { mExpandCallback = nullptr; }

void ExpandableWidget::setExpanded(bool expanded) {
    mExpanded = expanded;
    setVisible(expanded);
    if (mExpandCallback) {
        auto cb = mExpandCallback;
        cb(expanded);
    }
}

}  // namespace druvex
