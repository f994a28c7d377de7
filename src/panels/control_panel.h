// The Control Panel of a view: its window, the rows' visibility groups and
// what a rebuild keeps.
#pragma once

#include "view/view_panel.h"
#include "widgets/form_helper.h"

#include <nanogui/window.h>

#include <array>
#include <memory>

namespace druvex {

class PanelHost;
class View;

class ControlPanel : public ViewPanel {
public:
    // Rows shown while (first) or while not (second): first view; dynamic colour;
    // a categorical colour mode; a gridded display mode; perspective; circular colormap.
    using VisibilityGroups = std::array<GroupPair, 6>;

    ControlPanel(View& view, PanelHost& host);
    ~ControlPanel() override;
    ControlPanel(const ControlPanel&) = delete;
    ControlPanel& operator=(const ControlPanel&) = delete;

    void refresh() override;
    // Null until the first refresh on a screen.
    nanogui::Window* window() const { return window_.get(); }

    // Kept across rebuilds, so a rebuilt panel looks as it did.
    bool collapsed = false;
    bool viewer_group_expanded = true;
    bool tools_group_expanded = false;

private:
    void create_visibility_groups();
    void build();
    void destroy();
    void build_tools_group(FormHelper& form);
    void build_viewer_group(FormHelper& form);
    void build_view_group(FormHelper& form);
    // Asks for a ".ply" path and writes the view's current points there.
    void export_points();

    View& view_;
    PanelHost& host_;
    // The panel's own helper (it owns the visibility groups), the helper of the
    // window's rows (replaced by every rebuild) and the window.
    std::unique_ptr<FormHelper> groups_form_;
    std::unique_ptr<FormHelper> rows_form_;
    nanogui::ref<nanogui::Window> window_;
    bool first_view_ = false;
    VisibilityGroups groups_;
};

}  // namespace druvex
