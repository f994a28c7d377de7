// The Control Panel window of a view: its header, scroll area, top rows,
// rebuild rule and per-frame refresh.
#include "panel_host.h"
#include "panel_values.h"
#include "sensor_panels.h"
#include "view/view.h"
#include "view/view_host.h"

#include <nanogui/entypo.h>
#include <nanogui/layout.h>
#include <nanogui/screen.h>
#include <nanogui/theme.h>
#include <nanovg.h>

#include <algorithm>

namespace druvex {

namespace {

// The rows below the viewport's top leave this much of the view uncovered.
constexpr int scroll_area_margin = 50;
constexpr int panel_width = 250;

PanelHost* panel_host(ViewHost* app) { return dynamic_cast<PanelHost*>(app); }

}  // namespace

void View::create_visibility_groups() {
    panel_form = std::make_unique<FormHelper>();
    FormHelper& f = *panel_form;
    RenderConfig& camera = renderer.camera();
    panel_groups[0] = f.addVisibilityGroups([this] { return app->is_first_view(this); });
    panel_groups[1] = f.addFlagVisibilityGroups(&config.dynamic_color);
    panel_groups[2] =
        f.addVisibilityGroups([this] { return is_categorical_color_mode(config.color_mode); });
    panel_groups[3] = f.addVisibilityGroups([this] { return (config.display_mode & 1) != 0; });
    panel_groups[4] = f.addFlagVisibilityGroups(&camera.perspective);
    panel_groups[5] = f.addVisibilityGroups([&camera] { return camera.colormap == 1; });
}

void View::refresh_control_panel() {
    PanelHost* host = panel_host(app);
    if (host == nullptr || host->panel_screen() == nullptr) return;
    if (app->is_first_view(this) != panel_first_view) rebuild_pending = true;
    if (rebuild_pending) build_control_panel();
    if (panel_form) panel_form->refresh();
    if (panel_form2) panel_form2->refresh();
}

void View::destroy_control_panel() {
    panel_form2.reset();
    if (panel_window) {
        panel_window->removeFromParent();
        panel_window = nullptr;
    }
}

void View::build_control_panel() {
    PanelHost& host = *panel_host(app);
    panel_first_view = app->is_first_view(this);
    rebuild_pending = false;
    destroy_control_panel();

    nanogui::Screen* screen = host.panel_screen();
    panel_window = new nanogui::Window(screen, "Control Panel");
    nanogui::Window* window = panel_window.get();
    // The theme is the screen's: every panel is opaque over the points.
    window->theme()->mWindowFillFocused.w() = 1.0f;
    window->theme()->mWindowFillUnfocused.w() = 1.0f;
    window->setFixedWidth(panel_width);
    window->setLayout(
        new nanogui::BoxLayout(nanogui::Orientation::Vertical, nanogui::Alignment::Middle, 0, 0));

    auto* header = new nanogui::Button(window->buttonPanel(), "");
    auto* content = new nanogui::Widget(window);
    content->setVisible(!panel_collapsed);
    header->setCallback([this, content] {
        panel_collapsed = !panel_collapsed;
        content->setVisible(!panel_collapsed);
    });
    panel_form2 = std::make_unique<FormHelper>(content);
    FormHelper& form = *panel_form2;
    PanelHost* h = &host;
    form.addRefreshCallback([this, window, h] {
        window->setPosition(renderer.camera().viewport_position());
        window->setVisible(h->panels_visible());
    });
    form.addRefreshCallback([this, header] {
        header->setIcon(panel_collapsed ? ENTYPO_ICON_CHEVRON_DOWN : ENTYPO_ICON_CHEVRON_UP);
    });

    // The rows scroll once they would reach the view's lower part; shorter
    // content leaves the rest of the view (and its title) uncovered.
    nanogui::VScrollPanel* scroll = form.addScrollPanel();
    form.addRefreshCallback([this, window, scroll, screen] {
        const int limit = renderer.camera().viewport_size().y() - scroll_area_margin;
        // Measuring sets fonts; the views draw their labels with this context next.
        NVGcontext* ctx = screen->nvgContext();
        nvgSave(ctx);
        const int content = scroll->preferredSize(ctx).y();
        nvgRestore(ctx);
        scroll->setFixedSize(
            nanogui::Vector2i(window->width(), std::max(std::min(limit, content), 0)));
    });

    if (panel_first_view) form.addButton("Help", [h] { h->toggle_help_window(); });
    form.addButton("Reset", [h] { h->reset_settings(); });
    nanogui::Button* advanced =
        form.addToggleButton("Show Advanced", [h](bool on) { h->set_show_advanced(on); });
    form.addRefreshCallback([advanced, h] { advanced->setPushed(h->show_advanced()); });
    if (panel_first_view) host.build_toolbar_panels(form);
    build_tools_group(form);
    build_viewer_group(form);
    for (const auto& [handle, stream] : streams) {
        build_advanced_sensor_panels(*this, handle, *h, form);
    }
}

}  // namespace druvex
