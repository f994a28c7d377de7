// Float rows of the panels.
#include "float_row.h"

#include <cmath>

namespace druvex {

FormWidget<float>* add_float_row(FormHelper& form, const std::string& caption,
                                 const std::function<void(float)>& setter,
                                 const std::function<float()>& getter, const FloatRowSpec& spec) {
    auto finite_setter = [setter](const float& v) {
        if (std::isfinite(v)) setter(v);
    };
    FormWidget<float>* field =
        form.addVariable<float>(caption, finite_setter, getter, spec.editable);
    field->setUnits(spec.units);
    field->setDefaultValue(spec.default_text);
    field->setMinMaxValues(spec.min, spec.max);
    field->setValueIncrement(spec.increment);
    field->setStep(spec.step);
    field->setSpinnable(spec.spin);
    // The first value was shown before the step and range applied.
    field->setValue(getter());
    return field;
}

}  // namespace druvex
