// Building blocks the toolbar panels share.
#include "toolbar_common.h"

#include "panel_rows.h"

#include <fmt/format.h>

#include <cmath>

namespace druvex {

std::unique_ptr<ScopeGuard> open_collapsible_panel(FormHelper& form, const std::string& caption,
                                                   bool& expanded) {
    ExpandableWidget* body = form.addExpandableGroup(caption, expanded);
    nanogui::ref<ExpandableWidget> body_ref(body);
    bool* remembered = &expanded;
    form.addRefreshCallback([body_ref, remembered] { *remembered = body_ref->expanded(); });
    return form.scopedWindow(body, true);
}

std::unique_ptr<ScopeGuard> open_popup(FormHelper& form, const std::string& caption,
                                       nanogui::PopupButton** button) {
    nanogui::PopupButton* popup_button = form.addPopupButton(caption);
    popup_button->popup()->setFixedWidth(200);
    if (button != nullptr) *button = popup_button;
    return form.scopedWindow(popup_button->popup(), true);
}

namespace {

void add_closing_button(FormHelper& form, const std::string& caption,
                        nanogui::PopupButton* popup_button, const std::function<void()>& action) {
    form.addButton(caption, [popup_button, action] {
        popup_button->setPushed(false);
        action();
    });
}

}  // namespace

FileActions settings_file_actions(SettingsFilesHost& settings, SettingsFileKind kind) {
    FileActions actions;
    actions.load = [&settings, kind] { settings.open_settings_file(kind); };
    actions.reload = [&settings, kind] { settings.reload_settings_file(kind); };
    actions.save = [&settings, kind] { settings.save_settings_file(kind); };
    actions.save_as = [&settings, kind] { settings.save_settings_file_as(kind); };
    actions.unload = [&settings, kind] { settings.unload_settings_file(kind); };
    return actions;
}

void add_file_popup(FormHelper& form, nanogui::Group* file_group, const FileActions& actions) {
    nanogui::PopupButton* file = nullptr;
    auto popup = open_popup(form, "File", &file);
    auto reload = [&] {
        auto scope = form.scopedGroup(file_group);
        add_closing_button(form, "Reload", file, actions.reload);
    };
    if (actions.reload_first) reload();
    add_closing_button(form, "Load", file, actions.load);
    if (!actions.reload_first) reload();
    {
        auto scope = form.scopedGroup(file_group);
        add_closing_button(form, "Save", file, actions.save);
    }
    add_closing_button(form, "Save As...", file, actions.save_as);
    auto scope = form.scopedGroup(file_group);
    add_closing_button(form, "Unload", file, actions.unload);
}

nanogui::Button* add_flag_toggle(FormHelper& form, const std::string& caption, bool& flag) {
    bool* target = &flag;
    nanogui::Button* button =
        form.addToggleButton(caption, [target](bool pushed) { *target = pushed; });
    nanogui::ref<nanogui::Button> button_ref(button);
    form.addRefreshCallback([button_ref, target] { button_ref->setPushed(*target); });
    button->setPushed(flag);
    return button;
}

float clamp_float(float value, float low, float high) {
    if (!(value >= low)) return low;
    return value > high ? high : value;
}

FormWidget<float>* add_metres_row(FormHelper& form, const std::string& caption, float& field,
                                  float default_value, float increment, float step) {
    float* target = &field;
    FormWidget<float>* row = form.addVariable<float>(
        caption,
        [target](const float& value) {
            *target = clamp_float(value, -largest_metres, largest_metres);
        },
        [target] { return *target; });
    row->setDefaultValue(fmt::format("{:f}", default_value));
    row->setSpinnable(true);
    row->setUnits("m");
    row->setNumberFormat(metres_number_format);
    row->setValueIncrement(increment);
    row->setStep(step);
    row->setMinMaxValues(-largest_metres, largest_metres);
    row->setValue(field);  // the first value was shown before the format applied
    return row;
}

}  // namespace druvex
