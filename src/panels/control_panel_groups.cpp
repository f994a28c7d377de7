// The Control Panel's rows that act on the view: the Tools and Viewer groups
// and the View popup.
#include "control_panel.h"
#include "panel_host.h"
#include "panel_rows.h"
#include "panel_values.h"
#include "platform/numeric_utils.h"
#include "render/colormap.h"
#include "view/view.h"
#include "view/view_host.h"

#include <cmath>

namespace druvex {

namespace {

// An expandable group whose expansion is remembered in `expanded` across rebuilds.
std::unique_ptr<ScopeGuard> open_group(FormHelper& form, const std::string& caption,
                                       bool* expanded) {
    ExpandableWidget* body = form.addExpandableGroup(caption, *expanded);
    form.addRefreshCallback([body, expanded] { *expanded = body->expanded(); });
    return form.scopedWindow(body, true);
}

// A stored mode the combo does not offer keeps the combo's selection within
// its items; the caption still names the mode in use.
void caption_unoffered_mode(FormHelper& form, nanogui::ComboBox* combo, std::function<int()> mode,
                            const std::vector<std::string>& names) {
    form.addRefreshCallback([combo, mode, names] {
        const int m = mode();
        if (m >= static_cast<int>(combo->items().size()) && m < static_cast<int>(names.size()))
            combo->setCaption(names[static_cast<size_t>(m)]);
    });
}

FloatRowOptions spin_options(const std::string& units, const std::string& default_text,
                             float increment, float step) {
    FloatRowOptions options;
    options.units = units;
    options.default_text = default_text;
    options.increment = increment;
    options.step = step;
    options.spin = true;
    return options;
}

void bind_float(FormHelper& form, const std::string& caption, float& value,
                const FloatRowOptions& options) {
    float* p = &value;
    add_float_row(
        form, caption, [p](float v) { *p = v; }, [p] { return *p; }, options);
}

}  // namespace

void ControlPanel::build_tools_group(FormHelper& form) {
    auto scope = open_group(form, "Tools", &tools_group_expanded);
    form.addButton("Export Points", [this] { export_points(); });
    if (first_view_) host_.build_screenshot_demo_rows(form);
}

void ControlPanel::export_points() { host_.export_view_points(view_); }

namespace {

void add_color_mode_rows(View& view, const ControlPanel::VisibilityGroups& visibility,
                         FormHelper& form, nanogui::Group* advanced) {
    ViewConfig& config = view.config;
    RenderConfig& camera = view.renderer.camera();
    auto* color_mode = form.addVariable<ColorModeEnum>(
        "Color Mode",
        [&config, &camera](const ColorModeEnum& m) { choose_color_mode(config, camera, m); },
        [&config] { return static_cast<ColorModeEnum>(config.color_mode); });
    set_combo_items_without_last(color_mode, color_mode_names(), color_mode_short_names(), 3);
    caption_unoffered_mode(
        form, color_mode, [&config] { return config.color_mode; }, color_mode_short_names());
    auto groups = form.scopedGroups({advanced, visibility[2].second.get()});
    auto* colormap = form.addVariable<ColormapEnum>(
        "Colormap",
        [&config, &camera](const ColormapEnum& id) { choose_colormap(config, camera, id); },
        [&camera] { return static_cast<ColormapEnum>(camera.colormap); });
    colormap->setItems(colormap_names());
}

// The range of a colour mode that has one: its width for a circular colormap,
// its two ends otherwise.
void add_color_range_rows(View& view, const ControlPanel::VisibilityGroups& visibility,
                          FormHelper& form) {
    RenderConfig& camera = view.renderer.camera();
    nanogui::Group* ranged = visibility[2].second.get();
    nanogui::TextBox* scale_box = nullptr;
    nanogui::TextBox* max_box = nullptr;
    {
        auto groups = form.scopedGroups({ranged, visibility[5].first.get()});
        scale_box = add_float_row(
            form, "Color Scale", [&camera](float v) { set_color_scale(camera, v); },
            [&camera] { return color_scale(camera); }, spin_options("", "1.000000", 1.0f, 0.1f));
    }
    {
        auto groups = form.scopedGroups({ranged, visibility[5].second.get()});
        add_float_row(
            form, "Color Min", [&camera](float v) { set_color_min(camera, v); },
            [&camera] { return camera.color_min; }, spin_options("", "0", 1.0f, 0.1f));
        max_box = add_float_row(
            form, "Color Max", [&camera](float v) { set_color_max(camera, v); },
            [&camera] { return camera.color_max; }, spin_options("", "1.000000", 1.0f, 0.1f));
    }
    const ViewConfig& config = view.config;
    form.addRefreshCallback([&config, scale_box, max_box] {
        const std::string text = format_fixed(default_color_scale(config.color_mode));
        scale_box->setDefaultValue(text);
        max_box->setDefaultValue(text);
    });
}

void add_display_rows(View& view, const ControlPanel::VisibilityGroups& visibility,
                      FormHelper& form, nanogui::Group* advanced) {
    ViewConfig& config = view.config;
    RenderConfig& camera = view.renderer.camera();
    {
        auto group = form.scopedGroup(advanced);
        auto* display_mode = form.addVariable<DisplayModeWidgetEnum>(
            "Display Mode",
            [&config](const DisplayModeWidgetEnum& i) {
                config.display_mode = display_mode_value(i);
            },
            [&config] {
                return static_cast<DisplayModeWidgetEnum>(display_mode_index(config.display_mode));
            });
        set_combo_items_without_last(display_mode, display_mode_names(), display_mode_names(), 1);
        caption_unoffered_mode(
            form, display_mode, [&config] { return display_mode_index(config.display_mode); },
            display_mode_names());
    }
    {
        auto group = form.scopedGroup(visibility[3].first.get());
        FloatRowOptions spacing = spin_options("°", format_fixed(0.5f), 0.1f, 0.1f);
        spacing.min = min_grid_spacing_degrees;
        spacing.max = max_grid_spacing_degrees;
        add_float_row(
            form, "Grid Spacing",
            [&config](float v) { config.grid_spacing = grid_spacing_from_degrees(v); },
            [&config] { return grid_spacing_degrees(config.grid_spacing); }, spacing);
    }
    form.addVariable("Show Grid", camera.show_grid);
    auto group = form.scopedGroup(advanced);
    form.addVariable("Mirror L/R", camera.mirror);
    form.addVariable("Flip 180", camera.flip);
}

void add_point_rows(View& view, const ControlPanel::VisibilityGroups& visibility, FormHelper& form,
                    nanogui::Group* advanced) {
    RenderConfig& camera = view.renderer.camera();
    bind_float(form, "Point Size", camera.point_size,
               spin_options("", format_fixed(1.0f), 1.0f, 0.1f));
    {
        auto group = form.scopedGroup(advanced);
        form.addVariable("POV", camera.perspective);
    }
    {
        auto groups = form.scopedGroups({visibility[4].first.get(), advanced});
        FloatRowOptions scale = spin_options("", format_fixed(0.2f), 0.1f, 0.1f);
        scale.max = 1.0f;
        bind_float(form, "POV Scale", camera.perspective_scale, scale);
    }
    form.addVariable("Show Invalid", view.config.show_invalid_points);
}

// A measurement needs the orthographic camera: the ruler is hidden and off in perspective.
void add_ruler_row(View& view, const ControlPanel::VisibilityGroups& visibility, FormHelper& form) {
    auto group = form.scopedGroup(visibility[4].second.get());
    auto* ruler = new nanogui::Button(form.addToolbar(), "Ruler");
    ruler->setFlags(nanogui::Button::ToggleButton);
    ruler->setTooltip(
        "Measure distance between two points\nPress <CTRL> and hold and drag left mouse button");
    ViewRenderer& renderer = view.renderer;
    ruler->setChangeCallback(
        [&renderer](bool on) { renderer.measuring = renderer.camera().perspective ? false : on; });
    form.addRefreshCallback([&renderer, ruler] { ruler->setPushed(renderer.measuring); });
}

}  // namespace

void ControlPanel::build_viewer_group(FormHelper& form) {
    nanogui::Group* advanced = host_.advanced_rows_group();
    auto scope = open_group(form, "Viewer", &viewer_group_expanded);
    View* view = &view_;
    form.addButton("Reset", [view] { view->reset(); });
    build_view_group(form);
    FloatRowOptions frame_length = spin_options("s", "0.1", 0.1f, 0.01f);
    frame_length.min = 0.0f;
    frame_length.max = 1.0f;
    bind_float(form, "Frame Length", view_.config.frame_length, frame_length);
    add_color_mode_rows(view_, groups_, form, advanced);
    add_color_range_rows(view_, groups_, form);
    add_display_rows(view_, groups_, form, advanced);
    add_point_rows(view_, groups_, form, advanced);
    add_ruler_row(view_, groups_, form);
}

void ControlPanel::build_view_group(FormHelper& form) {
    ViewRenderer& renderer = view_.renderer;
    RenderConfig& camera = renderer.camera();
    nanogui::PopupButton* button = form.addPopupButton("View");
    button->popup()->setFixedWidth(200);
    auto scope = form.scopedWindow(button->popup(), true);
    auto add_button = [&renderer](Toolbar* bar, const char* caption,
                                  void (ViewRenderer::*action)()) {
        auto* b = new nanogui::Button(bar, caption);
        b->setCallback([&renderer, action] { (renderer.*action)(); });
    };
    add_button(form.addToolbar(), "Origin", &ViewRenderer::set_view_origin);
    Toolbar* presets = form.addToolbar();
    add_button(presets, "Front", &ViewRenderer::set_view_front);
    add_button(presets, "Top", &ViewRenderer::set_view_top);
    add_button(presets, "Side", &ViewRenderer::set_view_side);

    // The camera target is in render coordinates, whose second component is the height.
    const FloatRowOptions target = spin_options("m", "0", 1.0f, 1.0f);
    bind_float(form, "X", camera.view_center_x, target);
    bind_float(form, "Y", camera.view_center_z, target);
    bind_float(form, "Z", camera.view_center_y, target);
    auto add_angle = [&form](const char* caption, float& angle, float limit) {
        FloatRowOptions options = spin_options("°", "0", 1.0f, 1.0f);
        if (limit > 0.0f) options.min = -limit, options.max = limit;
        float* p = &angle;
        add_float_row(
            form, caption, [p](float v) { *p = degrees_to_radians(v); },
            [p] { return radians_to_degrees(*p); }, options);
    };
    add_angle("Azimuth", camera.view_rotation_azimuth, 0.0f);
    add_angle("Elevation", camera.view_rotation_elevation, 90.0f);
    add_angle("Roll", camera.view_rotation_roll, 0.0f);
    add_float_row(
        form, "Zoom", [&camera](float v) { camera.zoom_scale = zoom_from_log(v); },
        [&camera] { return zoom_to_log(camera.zoom_scale); },
        spin_options("", format_fixed(std::log(0.05f)), 0.2f, 0.1f));
}

}  // namespace druvex
