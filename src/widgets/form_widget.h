// Typed value widgets of the form helper's rows.
#pragma once

#include <nanogui/checkbox.h>
#include <nanogui/combobox.h>
#include <nanogui/textbox.h>

#include <functional>
#include <string>
#include <type_traits>

namespace druvex {

// FormWidget<T, std::true_type> for bool (check box), floating point
// (FloatBox), enumerations (combo box: index = enum value), integers (IntBox)
// and std::string (text box). Each offers value(), setValue(), setCallback()
// and setEditable() typed for T.
template <typename T, typename sfinae = std::true_type>
class FormWidget {};

template <>
class FormWidget<bool, std::true_type> : public nanogui::CheckBox {
public:
    explicit FormWidget(nanogui::Widget* parent) : nanogui::CheckBox(parent, "") {
        setFixedWidth(20);
    }
    void setValue(bool v) { setChecked(v); }
    bool value() const { return checked(); }
    void setEditable(bool e) { setEnabled(e); }
    void setCallback(const std::function<void(bool)>& cb) { nanogui::CheckBox::setCallback(cb); }
};

template <typename T>
class FormWidget<T, typename std::is_enum<T>::type> : public nanogui::ComboBox {
public:
    explicit FormWidget(nanogui::Widget* parent) : nanogui::ComboBox(parent) {}
    T value() const { return (T)selectedIndex(); }
    // An index outside the items shows the first item.
    void setValue(T value) {
        int index = (int)value;
        if (index < 0 || index >= (int)items().size()) index = 0;
        setSelectedIndex(index);
    }
    void setCallback(const std::function<void(const T&)>& cb) {
        nanogui::ComboBox::setCallback([cb](int v) {
            if (cb) cb((T)v);
        });
    }
    void setEditable(bool e) { setEnabled(e); }
};

template <typename T>
class FormWidget<T, typename std::is_integral<T>::type> : public nanogui::IntBox<T> {
public:
    explicit FormWidget(nanogui::Widget* parent) : nanogui::IntBox<T>(parent) {
        this->setAlignment(nanogui::TextBox::Alignment::Right);
    }
};

template <typename T>
class FormWidget<T, typename std::is_floating_point<T>::type> : public nanogui::FloatBox<T> {
public:
    explicit FormWidget(nanogui::Widget* parent) : nanogui::FloatBox<T>(parent) {
        this->setAlignment(nanogui::TextBox::Alignment::Right);
    }
};

template <>
class FormWidget<std::string, std::true_type> : public nanogui::TextBox {
public:
    explicit FormWidget(nanogui::Widget* parent) : nanogui::TextBox(parent, "Untitled") {
        setAlignment(nanogui::TextBox::Alignment::Left);
    }
    void setCallback(const std::function<void(const std::string&)>& cb) {
        nanogui::TextBox::setCallback([cb](const std::string& str) {
            if (cb) cb(str);
            return true;
        });
    }
};

}  // namespace druvex
