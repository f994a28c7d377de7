// Editable text field and the number fields built on it.
#pragma once

#include <nanogui/widget.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <regex>
#include <sstream>
#include <type_traits>

namespace nanogui {

// Edits go to a buffer while the field is focused; the buffer is committed on
// Enter or focus loss: empty -> the default value; a whole-text match of the
// format (ECMAScript regex) -> committed and passed to the callback (false
// from the callback restores the old text); no match -> nothing committed and
// no callback.
class TextBox : public Widget {
public:
    enum class Alignment { Left, Center, Right };

    TextBox(Widget* parent, const std::string& value = "Untitled");

    bool editable() const { return mEditable; }
    void setEditable(bool editable) { mEditable = editable; }
    bool spinnable() const { return mSpinnable; }
    void setSpinnable(bool spinnable) { mSpinnable = spinnable; }

    const std::string& value() const { return mValue; }
    // Sets the committed text; a buffer being edited is left alone.
    void setValue(const std::string& value) { mValue = value; }
    const std::string& defaultValue() const { return mDefaultValue; }
    void setDefaultValue(const std::string& defaultValue) { mDefaultValue = defaultValue; }
    Alignment alignment() const { return mAlignment; }
    void setAlignment(Alignment align) { mAlignment = align; }
    const std::string& units() const { return mUnits; }
    void setUnits(const std::string& units) { mUnits = units; }
    const std::string& format() const { return mFormat; }
    // A whole-text ECMAScript regular expression ("" = anything). An invalid
    // expression accepts everything.
    void setFormat(const std::string& format);
    const std::string& placeholder() const { return mPlaceholder; }
    void setPlaceholder(const std::string& placeholder) { mPlaceholder = placeholder; }

    std::function<bool(const std::string&)> callback() const { return mCallback; }
    void setCallback(const std::function<bool(const std::string&)>& callback) {
        mCallback = callback;
    }

    // Editing state (for tests).
    const std::string& editBuffer() const { return mValueTemp; }
    bool validFormat() const { return mValidFormat; }
    bool committed() const { return mCommitted; }
    int cursorPos() const { return mCursorPos; }
    int selectionPos() const { return mSelectionPos; }
    // True when the text matches the format (empty format: always).
    bool checkFormat(const std::string& input) const;

    bool mouseEnterEvent(const Vector2i& p, bool enter) override;
    bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) override;
    bool mouseMotionEvent(const Vector2i& p, const Vector2i& rel, int button,
                          int modifiers) override;
    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button, int modifiers) override;
    bool focusEvent(bool focused) override;
    bool keyboardEvent(int key, int scancode, int action, int modifiers) override;
    bool keyboardCharacterEvent(unsigned int codepoint) override;

    Vector2i preferredSize(NVGcontext* ctx) const override;
    void draw(NVGcontext* ctx) override;

protected:
    enum class SpinArea { None, Top, Bottom };
    SpinArea spinArea(const Vector2i& pos) const;
    bool copySelection();
    void pasteFromClipboard();
    bool deleteSelection();
    // Byte index of the character boundary nearest to x (parent coordinates).
    int cursorIndexAt(float x);
    int textFontSize() const;
    // Left edge, text origin and clip of the text area (parent coordinates).
    struct TextGeometry {
        float clipX, clipW;
        float anchorX;  // x passed to nvgText with the alignment below
        int align;
        float unitWidth;
        float spinWidth;
    };
    TextGeometry textGeometry(NVGcontext* ctx) const;
    void commitEdit();

    bool mEditable = false;
    bool mSpinnable = false;
    bool mCommitted = true;
    std::string mValue;
    std::string mDefaultValue;
    Alignment mAlignment = Alignment::Center;
    std::string mUnits;
    std::string mFormat;
    std::shared_ptr<std::regex> mRegex;
    std::function<bool(const std::string&)> mCallback;
    bool mValidFormat = true;
    std::string mValueTemp;
    std::string mPlaceholder;
    int mCursorPos = -1;
    int mSelectionPos = -1;
    Vector2i mMousePos{-1, -1};
    Vector2i mMouseDownPos{-1, -1};
    Vector2i mMouseDragPos{-1, -1};
    int mMouseDownModifier = 0;
    float mTextOffset = 0.0f;
    double mLastClick = -1.0;
};

namespace detail {

// Decimal text to an integer of type T, clamped to T's range; 0 when nothing parses.
template <typename T>
T parseInteger(const std::string& text) {
    const char* s = text.c_str();
    char* end = nullptr;
    errno = 0;
    long double v = std::strtold(s, &end);
    if (end == s || std::isnan(v)) return T(0);
    const long double lo = (long double)std::numeric_limits<T>::lowest();
    const long double hi = (long double)std::numeric_limits<T>::max();
    if (v <= lo) return std::numeric_limits<T>::lowest();
    if (v >= hi) return std::numeric_limits<T>::max();
    return (T)v;
}

template <typename T>
std::string formatInteger(T v) {
    if constexpr (std::is_signed<T>::value)
        return std::to_string((long long)v);
    else
        return std::to_string((unsigned long long)v);
}

// a + k * b computed wide and clamped to T's range.
template <typename T>
T addClamped(T a, long double k, T b) {
    long double v = (long double)a + k * (long double)b;
    const long double lo = (long double)std::numeric_limits<T>::lowest();
    const long double hi = (long double)std::numeric_limits<T>::max();
    if (v <= lo) return std::numeric_limits<T>::lowest();
    if (v >= hi) return std::numeric_limits<T>::max();
    return (T)v;
}

}  // namespace detail

// What the integer and floating-point fields share: step, limits, and
// spinning by the spin arrows, the right-button drag and the wheel. Derived
// gives value(), setValue() and offset(base, steps) (base + steps increments).
template <typename Derived, typename Scalar>
class NumberBox : public TextBox {
public:
    using TextBox::TextBox;

    Scalar step() const { return mStep; }
    void setStep(Scalar step) { mStep = step; }
    Scalar valueIncrement() const { return mValueIncrement; }
    void setValueIncrement(Scalar incr) { mValueIncrement = incr; }
    Scalar minValue() const { return mMinValue; }
    void setMinValue(Scalar minValue) { mMinValue = minValue; }
    Scalar maxValue() const { return mMaxValue; }
    void setMaxValue(Scalar maxValue) { mMaxValue = maxValue; }
    void setMinMaxValues(Scalar minValue, Scalar maxValue) {
        setMinValue(minValue);
        setMaxValue(maxValue);
    }

    bool mouseButtonEvent(const Vector2i& p, int button, bool down, int modifiers) override {
        if ((mEditable || mSpinnable) && down) mMouseDownValue = self().value();
        SpinArea area = spinArea(p);
        if (mSpinnable && area != SpinArea::None && down && !focused()) {
            spinTo(self().offset(self().value(), area == SpinArea::Top ? 1 : -1));
            return true;
        }
        return TextBox::mouseButtonEvent(p, button, down, modifiers);
    }

    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button,
                        int modifiers) override {
        if (TextBox::mouseDragEvent(p, rel, button, modifiers)) return true;
        if (mSpinnable && !focused() && button == 2 /* only the right button */ &&
            mMouseDownPos.x() != -1) {
            int valueDelta = static_cast<int>((p.x() - mMouseDownPos.x()) / float(10));
            spinTo(self().offset(mMouseDownValue, valueDelta));
            return true;
        }
        return false;
    }

    bool scrollEvent(const Vector2i& p, const Vector2f& rel) override {
        if (Widget::scrollEvent(p, rel)) return true;
        if (mSpinnable && !focused()) {
            if (rel.y() != 0) spinTo(self().offset(self().value(), rel.y() > 0 ? 1 : -1));
            return true;
        }
        return false;
    }

protected:
    Derived& self() { return static_cast<Derived&>(*this); }

    void spinTo(Scalar v) {
        self().setValue(v);
        if (mCallback) {
            std::string text = TextBox::value();
            mCallback(text);
        }
    }

    Scalar mMouseDownValue = 0;
    Scalar mStep = 0;
    Scalar mValueIncrement = 1;
    Scalar mMinValue = 0, mMaxValue = 0;
};

// Integer field for uint8_t, uint16_t, int64_t, uint64_t (and other integer types).
template <typename Scalar>
class IntBox : public NumberBox<IntBox<Scalar>, Scalar> {
    using Base = NumberBox<IntBox<Scalar>, Scalar>;
    using Base::mMaxValue;
    using Base::mMinValue;
    using Base::mStep;
    static_assert(std::is_integral<Scalar>::value, "IntBox needs an integer type");

public:
    IntBox(Widget* parent, Scalar value = (Scalar)0) : Base(parent) {
        this->setDefaultValue("0");
        this->setFormat(std::is_signed<Scalar>::value ? "[-]?[0-9]*" : "[0-9]*");
        this->setValueIncrement(1);
        this->setMinMaxValues(std::numeric_limits<Scalar>::lowest(),
                              std::numeric_limits<Scalar>::max());
        setValue(value);
        this->setSpinnable(false);
    }

    // The committed text as Scalar (0 when nothing parses), rounded down to the step.
    Scalar value() const {
        Scalar v = detail::parseInteger<Scalar>(TextBox::value());
        if (mStep != 0) v = (Scalar)((v / mStep) * mStep);
        return v;
    }

    // Rounded down to the step, clamped to [min, max], printed in decimal.
    void setValue(Scalar value) {
        Scalar v = value;
        if (mStep != 0) v = (Scalar)((v / mStep) * mStep);
        if (v < mMinValue) v = mMinValue;
        if (v > mMaxValue) v = mMaxValue;
        TextBox::setValue(detail::formatInteger(v));
    }

    void setCallback(const std::function<void(Scalar)>& cb) {
        TextBox::setCallback([cb, this](const std::string& str) {
            Scalar value = detail::parseInteger<Scalar>(str);
            setValue(value);
            if (cb) cb(value);
            return true;
        });
    }

    // Spinning saturates at the type's range instead of wrapping.
    Scalar offset(Scalar base, int steps) const {
        return detail::addClamped(base, steps, this->mValueIncrement);
    }
};

// Floating-point field ("%.4g" for float).
template <typename Scalar>
class FloatBox : public NumberBox<FloatBox<Scalar>, Scalar> {
    using Base = NumberBox<FloatBox<Scalar>, Scalar>;
    using Base::mMaxValue;
    using Base::mMinValue;
    using Base::mStep;
    static_assert(std::is_floating_point<Scalar>::value, "FloatBox needs a floating-point type");

public:
    FloatBox(Widget* parent, Scalar value = (Scalar)0.f) : Base(parent) {
        mNumberFormat = sizeof(Scalar) == sizeof(float) ? "%.4g" : "%.7g";
        this->setDefaultValue("0");
        this->setFormat("[-+]?[0-9]*\\.?[0-9]+([eE][-+]?[0-9]+)?");
        this->setValueIncrement((Scalar)0.1);
        this->setMinMaxValues(std::numeric_limits<Scalar>::lowest(),
                              std::numeric_limits<Scalar>::max());
        setValue(value);
        this->setSpinnable(false);
    }

    const std::string& numberFormat() const { return mNumberFormat; }
    void numberFormat(const std::string& format) { mNumberFormat = format; }
    void setNumberFormat(const std::string& format) { mNumberFormat = format; }

    // The committed text as a number (0 when nothing parses), rounded to the step.
    Scalar value() const {
        const std::string& text = TextBox::value();
        char* end = nullptr;
        double d = std::strtod(text.c_str(), &end);
        if (end == text.c_str()) d = 0.0;
        Scalar v = (Scalar)d;
        if (mStep != 0) v = std::round(v / mStep) * mStep;
        return v;
    }

    // Rounded to the step (half away from zero), clamped, printed with the number format.
    void setValue(Scalar value) {
        Scalar v = value;
        if (mStep != 0) v = std::round(v / mStep) * mStep;
        if (v < mMinValue) v = mMinValue;
        if (v > mMaxValue) v = mMaxValue;
        if (v == 0) v = 0;  // a negative zero (a small negative value rounded) reads "0", not "-0"
        char buffer[50];
        std::snprintf(buffer, sizeof(buffer), mNumberFormat.c_str(), (double)v);
        TextBox::setValue(buffer);
    }

    // The commit callback: the text converted (as typed) is shown through
    // setValue and passed to cb. A number beyond the double range keeps the old
    // text and calls nothing.
    void setCallback(const std::function<void(Scalar)>& cb) {
        TextBox::setCallback([cb, this](const std::string& str) {
            errno = 0;
            char* end = nullptr;
            double d = std::strtod(str.c_str(), &end);
            if (end == str.c_str())
                d = 0.0;
            else if (errno == ERANGE && std::isinf(d))
                return false;
            Scalar value = (Scalar)d;
            setValue(value);
            if (cb) cb(value);
            return true;
        });
    }

    Scalar offset(Scalar base, int steps) const { return base + steps * this->mValueIncrement; }

protected:
    std::string mNumberFormat;
};

}  // namespace nanogui
