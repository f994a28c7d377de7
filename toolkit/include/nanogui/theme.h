// Colours and sizes of the toolkit's dark theme.
#pragma once

#include <nanogui/common.h>

namespace nanogui {

class Theme : public Object {
public:
    Theme();
    // The theme given to widgets that have no parent yet.
    static Theme* defaultTheme();

    // Spacing-related parameters
    int mStandardFontSize = 16;
    int mButtonFontSize = 20;
    int mTextBoxFontSize = 20;
    float mIconScale = 1.5f;  // icon font size = text size x this
    int mWindowCornerRadius = 2;
    int mWindowHeaderHeight = 30;
    int mWindowDropShadowSize = 10;
    int mButtonCornerRadius = 2;

    // Generic colours
    Color mDropShadow;
    Color mTransparent;
    Color mBorderDark;
    Color mBorderLight;
    Color mBorderMedium;
    Color mTextColor;
    Color mDisabledTextColor;
    Color mTextColorShadow;
    Color mIconColor;

    // Button colours
    Color mButtonGradientTopFocused;
    Color mButtonGradientBotFocused;
    Color mButtonGradientTopUnfocused;
    Color mButtonGradientBotUnfocused;
    Color mButtonGradientTopPushed;
    Color mButtonGradientBotPushed;

    // Window colours
    Color mWindowFillUnfocused;
    Color mWindowFillFocused;
    Color mWindowTitleUnfocused;
    Color mWindowTitleFocused;
    Color mWindowHeaderGradientTop;
    Color mWindowHeaderGradientBot;
    Color mWindowHeaderSepTop;
    Color mWindowHeaderSepBot;
    Color mWindowPopup;
    Color mWindowPopupTransparent;

    // Text boxes and accents
    Color mTextBoxFill;
    Color mTextBoxFillFocused;
    Color mTextBoxInvalid;
    Color mTextBoxSelection;
    Color mAccent;
    Color mTooltipFill;

protected:
    ~Theme() override = default;
};

}  // namespace nanogui
