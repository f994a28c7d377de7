// A view's Control Panel as the view sees it. The application makes it
// (ViewHost::make_view_panel), so the view layer names no panel code.
#pragma once

namespace druvex {

class ViewPanel {
public:
    virtual ~ViewPanel() = default;
    // GUI thread, once a frame from View::update: rebuilt when pending, then
    // every row re-reads its value.
    virtual void refresh() = 0;
};

}  // namespace druvex
