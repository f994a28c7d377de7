// The toolkit demo's form, shared by the demo program and the GL tests.
#pragma once

#include <nanogui/nanogui.h>

#include <memory>
#include <string>

#include "widgets/form_helper.h"

namespace druvex_demo {

enum class ColorMode { Constant = 0, Time, Distance, Intensity, Sensor };

// Values the form's rows are bound to.
struct DemoState {
    bool showAdvanced = false;
    bool showGrid = true;
    ColorMode colorMode = ColorMode::Distance;
    float pointSize = 1.5f;
    float povScale = 0.2f;
    float azimuth = 30.0f;
    float elevation = -12.5f;
    float zoom = -2.9957f;
    float replay = 0.35f;
    std::string caption = "Front lidar";
    uint16_t port = 8808;
    bool playing = false;
    int clicks = 0;
};

// A screen with a "Control Panel" window built through FormHelper.
class DemoScreen : public nanogui::Screen {
public:
    // scroll: the rows go into a scroll panel of fixed height, as in the
    // viewer's Control Panel (FormHelper::addScrollPanel).
    DemoScreen(const nanogui::Vector2i& size, int samples, bool scroll = false);
    // A window-less screen with the same form (for tests without a display).
    explicit DemoScreen(const nanogui::Vector2i& size);

    void drawContents() override;
    bool keyboardEvent(int key, int scancode, int action, int modifiers) override;

    // Per-frame work as the viewer does it: refresh the form, lay out.
    void refreshAndLayout();

    DemoState state;
    // When >= 0: ask the main loop to close the window after that many frames.
    int closeAfterFrames = -1;
    int framesDrawn = 0;
    druvex::FormHelper* form() { return mForm.get(); }
    nanogui::Window* panel() { return mPanel; }
    druvex::ExpandableWidget* displayGroup() { return mDisplay; }
    druvex::ExpandableWidget* captureGroup() { return mCapture; }
    nanogui::PopupButton* viewPopupButton() { return mViewButton; }
    nanogui::Button* advancedButton() { return mAdvancedButton; }
    nanogui::Slider* slider() { return mSlider; }
    nanogui::Label* timeLabel() { return mTimeLabel; }
    nanogui::Button* clickButton() { return mClickButton; }
    nanogui::ComboBox* colorModeCombo() { return mColorMode; }

private:
    void build(bool scroll);

    std::unique_ptr<druvex::FormHelper> mForm;
    nanogui::Window* mPanel = nullptr;
    druvex::ExpandableWidget* mDisplay = nullptr;
    druvex::ExpandableWidget* mCapture = nullptr;
    nanogui::PopupButton* mViewButton = nullptr;
    nanogui::Button* mAdvancedButton = nullptr;
    nanogui::Slider* mSlider = nullptr;
    nanogui::Label* mTimeLabel = nullptr;
    nanogui::Button* mClickButton = nullptr;
    nanogui::ComboBox* mColorMode = nullptr;
};

}  // namespace druvex_demo
