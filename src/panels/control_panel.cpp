// The Control Panel window of a view: its header, scroll area, top rows,
// rebuild rule and per-frame refresh.
#include "control_panel.h"

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

}  // namespace

ControlPanel::ControlPanel(View& view, PanelHost& host) : view_(view), host_(host) {
    create_visibility_groups();
}

ControlPanel::~ControlPanel() { destroy(); }

void ControlPanel::create_visibility_groups() {
    groups_form_ = std::make_unique<FormHelper>();
    FormHelper& f = *groups_form_;
    View* view = &view_;
    ViewConfig& config = view_.config;
    RenderConfig& camera = view_.renderer.camera();
    groups_[0] = f.addVisibilityGroups([view] { return view->app()->is_first_view(view); });
    groups_[1] = f.addFlagVisibilityGroups(&config.dynamic_color);
    groups_[2] =
        f.addVisibilityGroups([&config] { return is_categorical_color_mode(config.color_mode); });
    groups_[3] = f.addVisibilityGroups([&config] { return (config.display_mode & 1) != 0; });
    groups_[4] = f.addFlagVisibilityGroups(&camera.perspective);
    groups_[5] = f.addVisibilityGroups([&camera] { return camera.colormap == 1; });
}

void ControlPanel::refresh() {
    if (host_.panel_screen() == nullptr) return;
    if (view_.app()->is_first_view(&view_) != first_view_) view_.request_rebuild();
    if (view_.rebuild_pending()) build();
    if (groups_form_) groups_form_->refresh();
    if (rows_form_) rows_form_->refresh();
}

void ControlPanel::destroy() {
    rows_form_.reset();
    if (window_) {
        window_->removeFromParent();
        window_ = nullptr;
    }
}

void ControlPanel::build() {
    PanelHost& host = host_;
    first_view_ = view_.app()->is_first_view(&view_);
    view_.rebuild_done();
    destroy();

    nanogui::Screen* screen = host.panel_screen();
    window_ = new nanogui::Window(screen, "Control Panel");
    nanogui::Window* window = window_.get();
    // The theme is the screen's: every panel is opaque over the points.
    window->theme()->mWindowFillFocused.w() = 1.0f;
    window->theme()->mWindowFillUnfocused.w() = 1.0f;
    window->setFixedWidth(panel_width);
    window->setLayout(
        new nanogui::BoxLayout(nanogui::Orientation::Vertical, nanogui::Alignment::Middle, 0, 0));

    auto* header = new nanogui::Button(window->buttonPanel(), "");
    auto* content = new nanogui::Widget(window);
    content->setVisible(!collapsed);
    header->setCallback([this, content] {
        collapsed = !collapsed;
        content->setVisible(!collapsed);
    });
    rows_form_ = std::make_unique<FormHelper>(content);
    FormHelper& form = *rows_form_;
    PanelHost* h = &host;
    RenderConfig& camera = view_.renderer.camera();
    form.addRefreshCallback([&camera, window, h] {
        window->setPosition(camera.viewport_position());
        window->setVisible(h->panels_visible());
    });
    form.addRefreshCallback([this, header] {
        header->setIcon(collapsed ? ENTYPO_ICON_CHEVRON_DOWN : ENTYPO_ICON_CHEVRON_UP);
    });

    // The rows scroll once they would reach the view's lower part (or the
    // failure band); shorter content leaves the rest of the view (and its
    // title) uncovered.
    nanogui::VScrollPanel* scroll = form.addScrollPanel();
    form.addRefreshCallback([&camera, window, scroll, screen, h] {
        const int top = camera.viewport_position().y();
        const int limit =
            std::min(camera.viewport_size().y(), h->panels_bottom() - top) - scroll_area_margin;
        // Measuring sets fonts; the views draw their labels with this context next.
        NVGcontext* ctx = screen->nvgContext();
        nvgSave(ctx);
        const int content = scroll->preferredSize(ctx).y();
        nvgRestore(ctx);
        scroll->setFixedSize(
            nanogui::Vector2i(window->width(), std::max(std::min(limit, content), 0)));
    });

    if (first_view_) form.addButton("Help", [h] { h->toggle_help_window(); });
    form.addButton("Reset", [h] { h->reset_settings(); });
    nanogui::Button* advanced =
        form.addToggleButton("Show Advanced", [h](bool on) { h->set_show_advanced(on); });
    form.addRefreshCallback([advanced, h] { advanced->setPushed(h->show_advanced()); });
    if (first_view_) host.build_toolbar_panels(form);
    build_tools_group(form);
    build_viewer_group(form);
    for (const auto& [handle, stream] : view_.streams()) {
        build_advanced_sensor_panels(view_, handle, *h, form);
    }
}

}  // namespace druvex
