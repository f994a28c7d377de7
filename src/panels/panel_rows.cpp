// Typed rows of the panels.
#include "panel_rows.h"

#include <algorithm>
#include <cmath>

namespace druvex {

FormWidget<float>* add_float_row(FormHelper& form, const std::string& caption,
                                 const std::function<void(float)>& setter,
                                 const std::function<float()>& getter,
                                 const FloatRowOptions& options) {
    auto finite_setter = [setter](const float& v) {
        if (std::isfinite(v)) setter(v);
    };
    FormWidget<float>* field =
        form.addVariable<float>(caption, finite_setter, getter, options.editable);
    field->setUnits(options.units);
    if (options.units == "m") field->setNumberFormat(metres_number_format);
    field->setDefaultValue(options.default_text);
    field->setMinMaxValues(options.min, options.max);
    field->setValueIncrement(options.increment);
    field->setStep(options.step);
    field->setSpinnable(options.spin);
    // The first value was shown before the step and range applied.
    field->setValue(getter());
    return field;
}

void set_combo_items_without_last(nanogui::ComboBox* combo, const std::vector<std::string>& items,
                                  const std::vector<std::string>& short_items, size_t n) {
    auto cut = [n](const std::vector<std::string>& v) {
        return std::vector<std::string>(v.begin(),
                                        v.end() - static_cast<long>(std::min(n, v.size())));
    };
    combo->setItems(cut(items), cut(short_items));
}

}  // namespace druvex
