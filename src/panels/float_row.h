// Float rows of the panels with their units, default text, range, increment and step.
#pragma once

#include "widgets/form_helper.h"

#include <functional>
#include <limits>
#include <string>

namespace druvex {

struct FloatRowOptions {
    std::string units;
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

}  // namespace druvex
