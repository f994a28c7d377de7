// Theme: the default sizes and colours of widgets.
#include <nanogui/theme.h>

namespace nanogui {

Theme::Theme() {
    mDropShadow = Color(0, 128);
    mTransparent = Color(0, 0);
    mBorderDark = Color(29, 255);
    mBorderLight = Color(92, 255);
    mBorderMedium = Color(35, 255);
    mTextColor = Color(255, 160);
    mDisabledTextColor = Color(255, 80);
    mTextColorShadow = Color(0, 160);
    mIconColor = mTextColor;

    mButtonGradientTopFocused = Color(64, 255);
    mButtonGradientBotFocused = Color(48, 255);
    mButtonGradientTopUnfocused = Color(74, 255);
    mButtonGradientBotUnfocused = Color(58, 255);
    mButtonGradientTopPushed = Color(41, 255);
    mButtonGradientBotPushed = Color(29, 255);

    mWindowFillUnfocused = Color(43, 230);
    mWindowFillFocused = Color(45, 230);
    mWindowTitleUnfocused = Color(220, 160);
    mWindowTitleFocused = Color(255, 190);
    mWindowHeaderGradientTop = mButtonGradientTopUnfocused;
    mWindowHeaderGradientBot = mButtonGradientBotUnfocused;
    mWindowHeaderSepTop = mBorderLight;
    mWindowHeaderSepBot = mBorderDark;
    mWindowPopup = Color(50, 255);
    mWindowPopupTransparent = Color(50, 0);

    mTextBoxFill = Color(255, 32);
    mTextBoxFillFocused = Color(150, 32);
    mTextBoxInvalid = Color(255, 0, 0, 100);
    mTextBoxSelection = Color(255, 255, 255, 80);
    mAccent = Color(0, 122, 204, 255);
    mTooltipFill = Color(0, 220);
}

Theme* Theme::defaultTheme() {
    // Intentionally never released: widgets made before any screen keep it.
    static Theme* theme = [] {
        Theme* t = new Theme();
        t->incRef();
        return t;
    }();
    return theme;
}

}  // namespace nanogui
