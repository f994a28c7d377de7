// What the views' Control Panels need from the application that owns the views.
#pragma once

#include <cstdint>

namespace nanogui {
class Group;
class Screen;
}  // namespace nanogui

namespace druvex {

class FormHelper;
class View;
struct ImageClip;
struct SensorTransform;

// The application implements it beside ViewHost; tests give the panels a
// headless stand-in, so rows, groups and rebuilds run without a real window.
class PanelHost {
public:
    virtual ~PanelHost() = default;

    // The screen the Control Panel windows live on.
    virtual nanogui::Screen* panel_screen() = 0;
    // The lowest screen row a panel may cover: the screen's bottom, or the
    // top of the failure band while that shows.
    virtual int panels_bottom() const = 0;
    // False while the GUI is hidden (F11, screenshots).
    virtual bool panels_visible() const = 0;
    virtual bool show_advanced() const = 0;
    virtual void set_show_advanced(bool on) = 0;
    // Visible while "Show Advanced" is on.
    virtual nanogui::Group* advanced_rows_group() = 0;

    virtual void toggle_help_window() = 0;
    // Settings, clips and transforms back to their defaults.
    virtual void reset_settings() = 0;
    // Asks for a ".ply" path and writes the view's current points there.
    virtual void export_view_points(View& view) = 0;
    // The first view's toolbar panels; the Tools group's screenshot and demo rows.
    virtual void build_toolbar_panels(FormHelper& form) = 0;
    virtual void build_screenshot_demo_rows(FormHelper& form) = 0;

    // Writes through to the stores the streams read (by sensor serial number).
    virtual void store_image_clip(uint64_t serial, const ImageClip& clip) = 0;
    virtual void store_transform(uint64_t serial, const SensorTransform& transform) = 0;
};

}  // namespace druvex
