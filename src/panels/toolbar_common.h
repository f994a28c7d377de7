// Building blocks the toolbar panels share: collapsible panels, popups, the
// settings files' "File" popup, toggle buttons bound to a flag and metre fields.
#pragma once

#include "settings_files_host.h"
#include "widgets/form_helper.h"

#include <functional>
#include <memory>
#include <string>

namespace druvex {

// An expandable group whose body becomes the helper's current parent until
// the guard ends; `expanded` opens it and follows it, so a rebuilt panel
// opens as it was.
std::unique_ptr<ScopeGuard> open_collapsible_panel(FormHelper& form, const std::string& caption,
                                                   bool& expanded);

// A popup button whose popup (200 wide) is the helper's current parent until
// the guard ends.
std::unique_ptr<ScopeGuard> open_popup(FormHelper& form, const std::string& caption,
                                       nanogui::PopupButton** button = nullptr);

// What the "File" popup of one settings file does.
struct FileActions {
    std::function<void()> load, reload, save, save_as, unload;
    // "Reload" above "Load" (the clips file) rather than below.
    bool reload_first = false;
};

// The host's actions on the settings file of `kind`.
FileActions settings_file_actions(SettingsFilesHost& settings, SettingsFileKind kind);

// "Load", "Reload", "Save", "Save As..." and "Unload"; the rows that act on the
// current file are in `file_group`. Every action closes the popup first, so no
// dialog opens over it.
void add_file_popup(FormHelper& form, nanogui::Group* file_group, const FileActions& actions);

// A toggle button that writes `flag` on a click and follows it every refresh.
nanogui::Button* add_flag_toggle(FormHelper& form, const std::string& caption, bool& flag);

// Clamps into [low, high]; NaN gives `low`.
float clamp_float(float value, float low, float high);

// Far beyond any sensor, and a number the settings files keep as it is (the
// largest float is printed rounded up, past the float range).
constexpr float largest_metres = 1e9f;

// A spinnable float row in metres bound to `field`, within +-largest_metres.
// The field's default text is `default_value` printed with "%f"; what is typed
// beyond the range (an infinity, beyond the float range) is stored held to it.
FormWidget<float>* add_metres_row(FormHelper& form, const std::string& caption, float& field,
                                  float default_value, float increment, float step);

}  // namespace druvex
