// Float rows of the panels.
#include "float_row.h"

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
    field->setDefaultValue(options.default_text);
    field->setMinMaxValues(options.min, options.max);
    field->setValueIncrement(options.increment);
    field->setStep(options.step);
    field->setSpinnable(options.spin);
    // The first value was shown before the step and range applied.
    field->setValue(getter());
    return field;
}

}  // namespace druvex
