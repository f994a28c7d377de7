// Typed rows of the panels: float rows with units, default text, range,
// increment and step; rows that only show a value; combos offering part of a list.
#pragma once

#include "widgets/form_helper.h"

#include <functional>
#include <limits>
#include <string>
#include <vector>

namespace druvex {

// Metre fields print plain numbers up to a thousand kilometres, where the
// fields' usual "%.4g" would show the clip defaults of 10000 m as "1e+04".
constexpr const char* metres_number_format = "%.6g";

struct FloatRowOptions {
    std::string units;               // "m" also prints the number with metres_number_format
    std::string default_text = "0";  // what an emptied field commits
    float min = std::numeric_limits<float>::lowest();
    float max = std::numeric_limits<float>::max();
    float increment = 0.1f;  // per scroll notch or drag unit
    float step = 0.0f;       // shown values are rounded to it
    bool spin = false;
    bool editable = true;
};

// A typed number beyond the float range arrives as infinity; no stored value
// is made non-finite from a field (it would be saved as null and break the
// camera or the clips), so such a commit reaches no setter.
FormWidget<float>* add_float_row(FormHelper& form, const std::string& caption,
                                 const std::function<void(float)>& setter,
                                 const std::function<float()>& getter,
                                 const FloatRowOptions& options);

// A row that only shows a value.
template <typename T>
FormWidget<T>* add_shown_row(FormHelper& form, const std::string& caption,
                             const std::function<T()>& getter) {
    return form.addVariable<T>(
        caption, [](const T&) {}, getter, false);
}

// Sets a combo's items and short items to the lists without their last n entries.
void set_combo_items_without_last(nanogui::ComboBox* combo, const std::vector<std::string>& items,
                                  const std::vector<std::string>& short_items, size_t n);

}  // namespace druvex
