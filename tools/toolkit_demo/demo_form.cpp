// Building the toolkit demo's form.
#include "demo_form.h"

#include <cmath>
#include <cstdio>

using namespace nanogui;

namespace druvex_demo {

DemoScreen::DemoScreen(const Vector2i& size, int samples, bool scroll)
    : Screen(size, "Druvex toolkit demo", true, false, 8, 8, 24, 8, samples, 3, 3) {
    setBackground(Color(0.11f, 0.12f, 0.14f, 1.0f));
    build(scroll);
}

DemoScreen::DemoScreen(const Vector2i& size) : Screen(Screen::Headless{}, size) {
    setBackground(Color(0.11f, 0.12f, 0.14f, 1.0f));
    build(false);
}

void DemoScreen::build(bool scroll) {
    mPanel = new Window(this, "Control Panel");
    mPanel->setPosition(Vector2i(15, 15));
    mPanel->setFixedWidth(260);
    mPanel->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Middle, 0, 0));
    auto* content = new Widget(mPanel);
    content->setFixedWidth(260);
    mForm = std::make_unique<druvex::FormHelper>(content);
    druvex::FormHelper& f = *mForm;
    if (scroll) {
        VScrollPanel* panel = f.addScrollPanel();
        panel->setFixedSize(Vector2i(260, 330));
    }

    f.addButton("Reset", [this] { state = DemoState(); });
    mAdvancedButton =
        f.addToggleButton("Show Advanced", [this](bool on) { state.showAdvanced = on; });
    f.addRefreshCallback([this] { mAdvancedButton->setPushed(state.showAdvanced); });
    auto advanced = f.addFlagVisibilityGroups(&state.showAdvanced);

    // "Display": an expandable group with a toggle, a combo row, float rows and a popup.
    mDisplay = f.addExpandableGroup("Display", true);
    {
        auto scope = f.scopedWindow(mDisplay, true);
        f.addVariable<bool>("Show Grid", state.showGrid);
        auto* mode = f.addVariable<ColorMode>(
            "Color Mode", [this](const ColorMode& m) { state.colorMode = m; },
            [this] { return state.colorMode; });
        mode->setItems({"Constant", "Time", "Distance", "Intensity", "Sensor"});
        mColorMode = mode;
        auto* size = f.addVariable<float>("Point Size", state.pointSize);
        size->setUnits("px");
        size->setStep(0.1f);
        size->setSpinnable(true);
        size->setMinMaxValues(0.1f, 10.0f);
        {
            auto groupScope = f.scopedGroup(advanced.first);
            auto* pov = f.addVariable<float>("POV Scale", state.povScale);
            pov->setStep(0.1f);
            pov->setMaxValue(1.0f);
        }
        mViewButton = f.addPopupButton("View");
        mViewButton->popup()->setFixedWidth(220);
        {
            auto popupScope = f.scopedWindow(mViewButton->popup(), true);
            auto* bar = f.addToolbar();
            new Button(bar, "Front");
            new Button(bar, "Top");
            new Button(bar, "Side");
            for (Widget* b : bar->children()) static_cast<Button*>(b)->setFontSize(16);
            auto* az = f.addVariable<float>("Azimuth", state.azimuth);
            az->setUnits("\xC2\xB0");
            az->setStep(1.0f);
            az->setSpinnable(true);
            auto* el = f.addVariable<float>("Elevation", state.elevation);
            el->setUnits("\xC2\xB0");
            el->setMinMaxValues(-90.0f, 90.0f);
            el->setStep(0.1f);
            auto* zoom = f.addVariable<float>("Zoom", state.zoom);
            zoom->setStep(0.1f);
        }
        f.addVariable<std::string>("Caption", state.caption);
    }

    // "Capture": transport buttons with icons, a slider and a centred time label.
    mCapture = f.addExpandableGroup("Capture", true);
    {
        auto scope = f.scopedWindow(mCapture, true);
        auto* bar = f.addToolbar();
        auto* back = new Button(bar, "", 0x2B05);
        auto* play = new Button(bar, "", 0x25B6);
        auto* stop = new Button(bar, "", 0x25A0);
        auto* fwd = new Button(bar, "", 0x27A1);
        back->setCallback([this] { state.replay = std::max(0.0f, state.replay - 0.05f); });
        fwd->setCallback([this] { state.replay = std::min(1.0f, state.replay + 0.05f); });
        stop->setCallback([this] {
            state.playing = false;
            state.replay = 0.0f;
        });
        play->setCallback([this] { state.playing = !state.playing; });
        f.addRefreshCallback([this, play] { play->setIcon(state.playing ? 0x2016 : 0x25B6); });
        mSlider = new Slider(f.window());
        f.addWidget(mSlider);
        mSlider->setCallback([this](float v) { state.replay = v; });
        mTimeLabel = new Label(f.window(), "", "sans", -1);
        mTimeLabel->setHorizontalAlignment(NVG_ALIGN_CENTER);
        f.addWidget(mTimeLabel);
        f.addRefreshCallback([this] {
            mSlider->setValue(state.replay);
            int total = 720, pos = (int)std::lround(state.replay * total);
            char buf[100];
            std::snprintf(buf, sizeof(buf), "%02d:%02d / %02d:%02d", pos / 60, pos % 60, total / 60,
                          total % 60);
            mTimeLabel->setCaption(buf);
        });
        {
            auto groupScope = f.scopedGroup(advanced.first);
            f.addVariable<uint16_t>("Port", state.port);
        }
    }
    auto* clicks = f.addButton("Click me", [this] { state.clicks++; });
    mClickButton = clicks;
    clicks->setTooltip("Counts clicks.\nA tooltip shows after half a second.");
    refreshAndLayout();
}

void DemoScreen::refreshAndLayout() {
    mForm->refresh();
    performLayout();
}

void DemoScreen::drawContents() {
    ++framesDrawn;
    if (closeAfterFrames >= 0 && framesDrawn >= closeAfterFrames && glfwWindow())
        glfwSetWindowShouldClose(glfwWindow(), GLFW_TRUE);
    refreshAndLayout();
    // NanoVG text drawn under the widgets, like the viewer's notice line.
    NVGcontext* ctx = nvgContext();
    nvgSave(ctx);
    nvgFillColor(ctx, nvgRGB(128, 128, 128));
    nvgFontSize(ctx, 14.0f);
    nvgFontFace(ctx, "sans");
    nvgTextAlign(ctx, NVG_ALIGN_RIGHT | NVG_ALIGN_BOTTOM);
    nvgText(ctx, width() - 10.0f, height() - 10.0f, "Druvex toolkit layer demo", nullptr);
    nvgFontSize(ctx, 30.0f);
    nvgFontFace(ctx, "sans-bold");
    nvgFillColor(ctx, nvgRGB(230, 230, 230));
    nvgTextAlign(ctx, NVG_ALIGN_CENTER | NVG_ALIGN_BOTTOM);
    nvgText(ctx, width() * 0.68f, height() - 40.0f, "View 1", nullptr);
    nvgRestore(ctx);
}

bool DemoScreen::keyboardEvent(int key, int scancode, int action, int modifiers) {
    if (Screen::keyboardEvent(key, scancode, action, modifiers)) return true;
    if (action == GLFW_PRESS && (key == GLFW_KEY_ESCAPE || key == GLFW_KEY_Q)) {
        setVisible(false);
        return true;
    }
    return false;
}

}  // namespace druvex_demo
