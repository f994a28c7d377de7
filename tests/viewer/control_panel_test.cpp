// Tests of a view's Control Panel on a headless screen: rows, visibility,
// conversions, guards and rebuilds.
#include "panels/control_panel.h"
#include "fake_view_host.h"
#include "panels/panel_host.h"
#include "panels/panel_values.h"
#include "panels/sensor_panels.h"
#include "platform/numeric_utils.h"
#include "settings/sensor_transform.h"

#include <nanogui/nanogui.h>

#include <gtest/gtest.h>

#include <cmath>

namespace druvex {
namespace {

using namespace nanogui;
using testing::FakeViewHost;
using testing::raw_frame;
using testing::sensor_info;

class FakePanelHost : public FakeViewHost, public PanelHost {
public:
    Screen* panel_screen() override { return screen.get(); }
    int panels_bottom() const override { return screen->height(); }
    bool panels_visible() const override { return visible; }
    bool show_advanced() const override { return advanced->visible(); }
    void set_show_advanced(bool on) override { advanced->setVisible(on); }
    Group* advanced_rows_group() override { return advanced.get(); }
    void toggle_help_window() override { ++help_toggles; }
    void reset_settings() override {}
    void export_view_points(View& view) override { exported = &view; }
    void build_toolbar_panels(FormHelper& form) override { form.addLabel("toolbar"); }
    void build_screenshot_demo_rows(FormHelper& form) override { form.addLabel("screenshot"); }
    void store_image_clip(uint64_t serial, const ImageClip& clip) override {
        clips_store.set_image_clip(serial, clip);
    }
    void store_transform(uint64_t serial, const SensorTransform& t) override {
        transforms_store.set_transform(serial, t);
    }
    std::unique_ptr<ViewPanel> make_view_panel(View& view) override {
        return std::make_unique<ControlPanel>(view, *this);
    }

    ref<Screen> screen = new Screen(Screen::Headless{}, Vector2i(1024, 768));
    ref<Group> advanced = [] {
        ref<Group> g = new Group();
        g->setVisible(false);
        return g;
    }();
    bool visible = true;
    int help_toggles = 0;
    const View* exported = nullptr;
};

constexpr uint64_t handle = 7, serial = 4242;

class ControlPanelTest : public ::testing::Test {
protected:
    ControlPanelTest() {
        view = std::make_unique<View>(&host, nullptr, 1);
        host.first = view.get();
        view->renderer.camera().set_grid_viewport(1024, 768, 0, 1, 1.0f);
        DruvexSensorInformation info = sensor_info(handle, serial);
        info.measurement_period = 0.0001f;
        info.flags = DRUVEX_SENSOR_FLAG_IS_MOCKED;
        auto points = raw_frame(10, host.now_us);
        view->on_frame(info, host.now_us, points.size(), points.data());
        view->refresh_streams();
        frame();
    }
    ControlPanel& panel() { return static_cast<ControlPanel&>(*view->panel()); }
    void frame() {
        view->panel()->refresh();
        host.screen->updateState();  // popups follow their buttons
        host.screen->performLayout();
    }
    static void walk(Widget* w, const std::function<void(Widget*)>& f) {
        f(w);
        for (Widget* c : w->children()) walk(c, f);
    }
    // The value widget of the visible row captioned `caption` (the widget is
    // made just before its caption label); null when no such row shows.
    template <typename T>
    T* row(const std::string& caption) {
        T* found = nullptr;
        walk(host.screen.get(), [&](Widget* w) {
            auto* label = dynamic_cast<Label*>(w);
            if (found || !label || label->caption() != caption || !label->visibleRecursive())
                return;
            Widget* parent = label->parent();
            found = dynamic_cast<T*>(parent->childAt(parent->childIndex(label) - 1));
        });
        return found;
    }
    Button* button(const std::string& caption) {
        Button* found = nullptr;
        walk(host.screen.get(), [&](Widget* w) {
            auto* b = dynamic_cast<Button*>(w);
            if (!found && b && b->caption() == caption && b->visibleRecursive()) found = b;
        });
        return found;
    }
    // Captions of the visible rows and buttons of the Viewer group, in order.
    std::vector<std::string> viewer_rows() {
        std::vector<std::string> out;
        Label* viewer = nullptr;
        walk(panel().window(), [&](Widget* w) {
            auto* l = dynamic_cast<Label*>(w);
            if (l && l->caption() == "Viewer") viewer = l;
        });
        Widget* body = viewer->parent()->childAt(viewer->parent()->childIndex(viewer) - 1);
        for (Widget* w : body->children()) {
            if (!w->visibleRecursive()) continue;
            if (auto* l = dynamic_cast<Label*>(w)) out.push_back(l->caption());
            if (auto* b = dynamic_cast<Button*>(w); b && !dynamic_cast<ComboBox*>(b))
                out.push_back(b->caption());
            if (auto* bar = dynamic_cast<Toolbar*>(w)) {
                for (Widget* c : bar->children()) out.push_back(static_cast<Button*>(c)->caption());
            }
        }
        return out;
    }
    // Expands the stream's group and opens one of its popups.
    void open_sensor_popup(const std::string& caption) {
        walk(host.screen.get(), [&](Widget* w) {
            auto* l = dynamic_cast<LabelButton*>(w);
            if (l && l->caption() == view->streams().at(handle)->name() && !button(caption))
                l->clickCallback()();
        });
        button(caption)->setPushed(true);
        frame();
    }
    // Commits `text` as if typed into the field.
    static void type(TextBox* box, const std::string& text) {
        ASSERT_NE(box, nullptr) << text;
        box->callback()(text);
    }
    static void choose(ComboBox* combo, int index) { combo->callback()(index); }

    FakePanelHost host;
    std::unique_ptr<View> view;
};

TEST_F(ControlPanelTest, RowsFollowTheModesAndShowAdvanced) {
    EXPECT_NE(button("Help"), nullptr);
    EXPECT_EQ(viewer_rows(),
              (std::vector<std::string>{"Reset", "View", "Frame Length", "Color Mode", "Show Grid",
                                        "Point Size", "Show Invalid", "Ruler"}));
    button("Show Advanced")->changeCallback()(true);
    choose(row<ComboBox>("Color Mode"), COLOR_MODE_DISTANCE);
    frame();
    EXPECT_EQ(viewer_rows(),
              (std::vector<std::string>{"Reset", "View", "Frame Length", "Color Mode", "Colormap",
                                        "Color Scale", "Display Mode", "Show Grid", "Mirror L/R",
                                        "Flip 180", "Point Size", "POV", "Show Invalid", "Ruler"}));
    EXPECT_EQ(row<ComboBox>("Color Mode")->items().size(), 9u);
    EXPECT_EQ(row<ComboBox>("Display Mode")->items().size(), 4u);

    // A linear colormap shows the two ends; a gridded mode its spacing;
    // perspective its scale and no ruler.
    choose(row<ComboBox>("Colormap"), 4);
    choose(row<ComboBox>("Display Mode"), DISPLAY_MODE_FULL_GRID);
    row<CheckBox>("POV")->callback()(true);
    frame();
    EXPECT_EQ(view->config.display_mode, 5);
    const auto rows = viewer_rows();
    for (const char* shown : {"Color Min", "Color Max", "Grid Spacing", "POV Scale"})
        EXPECT_NE(std::find(rows.begin(), rows.end(), shown), rows.end()) << shown;
    for (const char* hidden : {"Color Scale", "Ruler"})
        EXPECT_EQ(std::find(rows.begin(), rows.end(), hidden), rows.end()) << hidden;

    // A saved mode the combos do not offer keeps the selection in range and names the mode.
    view->config.color_mode = COLOR_MODE_RAW_INTENSITY;
    view->config.display_mode = 7;
    frame();
    EXPECT_EQ(row<ComboBox>("Color Mode")->caption(), "Raw I");
    EXPECT_EQ(row<ComboBox>("Display Mode")->caption(), "Demo 2");

    // Hiding the GUI hides the window on the next frame.
    host.visible = false;
    frame();
    EXPECT_FALSE(panel().window()->visible());
}

TEST_F(ControlPanelTest, ColourRowsSetAndGuardTheRange) {
    RenderConfig& camera = view->renderer.camera();
    button("Show Advanced")->changeCallback()(true);
    choose(row<ComboBox>("Color Mode"), COLOR_MODE_Z);
    EXPECT_EQ(camera.colormap, 3);
    EXPECT_FLOAT_EQ(camera.color_max, 3.0f);
    choose(row<ComboBox>("Color Mode"), COLOR_MODE_DISTANCE);
    frame();
    EXPECT_EQ(camera.colormap, 1);
    EXPECT_EQ(row<TextBox>("Color Scale")->defaultValue(), "50.000000");
    camera.color_min = 5.0f;
    type(row<TextBox>("Color Scale"), "20");
    EXPECT_FLOAT_EQ(camera.color_max, 25.0f);
    // No width would colour nothing.
    type(row<TextBox>("Color Scale"), "0");
    EXPECT_GT(camera.color_max, camera.color_min);
    // A chosen colormap resets the range to the mode's.
    choose(row<ComboBox>("Colormap"), 4);
    frame();
    EXPECT_FLOAT_EQ(camera.color_min, 0.0f);
    EXPECT_FLOAT_EQ(camera.color_max, 50.0f);
    type(row<TextBox>("Color Min"), "60");
    EXPECT_FLOAT_EQ(camera.color_min, 60.0f);
    EXPECT_FLOAT_EQ(camera.color_max, 110.0f);
    type(row<TextBox>("Color Max"), "-1");
    EXPECT_FLOAT_EQ(camera.color_min, -51.0f);
    // A number beyond the float range reaches no setter.
    type(row<TextBox>("Color Max"), "1e39");
    EXPECT_FLOAT_EQ(camera.color_max, -1.0f);
}

TEST_F(ControlPanelTest, AnglesZoomAndSpacingConvert) {
    button("Show Advanced")->changeCallback()(true);
    choose(row<ComboBox>("Display Mode"), DISPLAY_MODE_GRID);
    frame();
    auto* spacing = row<FloatBox<float>>("Grid Spacing");
    EXPECT_EQ(spacing->value(), 0.5f);
    type(spacing, "0.25");
    EXPECT_FLOAT_EQ(view->config.grid_spacing, std::tan(degrees_to_radians(0.25f)));
    EXPECT_EQ(spacing->TextBox::value(), "0.3");
    type(spacing, "0");  // no cells
    EXPECT_FLOAT_EQ(view->config.grid_spacing, std::tan(degrees_to_radians(0.1f)));

    button("View")->setPushed(true);
    frame();
    RenderConfig& camera = view->renderer.camera();
    type(row<TextBox>("Zoom"), "0");
    EXPECT_FLOAT_EQ(camera.zoom_scale, 1.0f);
    type(row<TextBox>("Zoom"), "-200");  // would be a zoom of 0
    EXPECT_FLOAT_EQ(camera.zoom_scale, min_zoom_scale);
    type(row<TextBox>("Y"), "4");  // world y is the third render component
    EXPECT_FLOAT_EQ(camera.view_center_z, 4.0f);
    // A period that fits no microsecond count.

    EXPECT_EQ(period_microseconds(NAN), 0);
    EXPECT_EQ(period_microseconds(1e30f), INT64_MAX);
}

TEST_F(ControlPanelTest, SensorPanelsShowTheSensorAndStoreClipAndPose) {
    EXPECT_EQ(button("Clip"), nullptr);  // advanced only
    button("Show Advanced")->changeCallback()(true);
    open_sensor_popup("Info");
    EXPECT_EQ(row<TextBox>("Serial #")->value(), "4242");
    EXPECT_EQ(row<TextBox>("Model")->value(), "ZUNA 120");
    EXPECT_EQ(row<TextBox>("Period")->value(), "100");
    EXPECT_TRUE(row<CheckBox>("Mocked")->checked());
    EXPECT_FALSE(row<CheckBox>("Calibrated")->checked());
    // The longest serial number keeps within the popup.
    const auto known = stream_sdk.sensor_information;
    stream_sdk.sensor_information = [](uint64_t, DruvexSensorInformation* info) {
        info->serial_number = UINT64_MAX;
        return true;
    };
    view->refresh_streams();
    view->request_rebuild();
    frame();
    open_sensor_popup("Info");
    TextBox* serial_box = row<TextBox>("Serial #");
    EXPECT_LE(serial_box->position().x() + serial_box->width(), serial_box->parent()->width());
    stream_sdk.sensor_information = [](uint64_t, DruvexSensorInformation* info) {
        info->serial_number = serial;
        return true;
    };
    view->refresh_streams();
    stream_sdk.sensor_information = known;

    button("Clip")->setPushed(true);
    frame();
    EXPECT_EQ(row<TextBox>("Max X")->value(), "85");
    type(row<TextBox>("Max X"), "88");  // stored beyond the field's range
    EXPECT_FLOAT_EQ(host.clips_store.get_image_clip(serial).max_image_x,
                    std::tan(degrees_to_radians(88.0f)));
    frame();
    EXPECT_EQ(row<TextBox>("Max X")->value(), "85");
    type(row<TextBox>("Min X"), "-90");  // no tangent: held at the last angle that has one
    EXPECT_FLOAT_EQ(host.clips_store.get_image_clip(serial).min_image_x,
                    -std::tan(degrees_to_radians(max_clip_angle_degrees)));
    EXPECT_EQ(row<TextBox>("Max Dist")->defaultValue(), "10000.000000");
    static_cast<Button*>(static_cast<PopupButton*>(button("Clip"))->popup()->childAt(0))
        ->callback()();  // its "Reset"
    EXPECT_FLOAT_EQ(host.clips_store.get_image_clip(serial).max_image_x,
                    std::tan(degrees_to_radians(85.0f)));

    button("Transform")->setPushed(true);
    frame();
    type(row<TextBox>("Azimuth"), "30");
    float q[4];
    euler_to_quaternion(degrees_to_radians(30.0f), 0.0f, 0.0f, &q[0], &q[1], &q[2], &q[3]);
    const SensorTransform stored = host.transforms_store.get_transform(serial);
    for (int i = 0; i < 4; ++i) EXPECT_NEAR(stored.rotation[i], q[i], 1e-6f);
    frame();
    EXPECT_EQ(row<TextBox>("Azimuth")->value(), "30");

    // A stream removed before the rebuild: its rows store nothing.
    button("Clip")->setPushed(true);
    frame();
    TextBox* max_dist = row<TextBox>("Max Dist");
    view->remove_streams();
    type(max_dist, "5");
    EXPECT_FLOAT_EQ(host.clips_store.get_image_clip(serial).max_distance, 10000.0f);
}

TEST_F(ControlPanelTest, RebuildKeepsCollapseAndExpansionAndFollowsTheFirstView) {
    static_cast<Button*>(panel().window()->buttonPanel()->childAt(0))->callback()();
    panel().tools_group_expanded = true;
    panel().viewer_group_expanded = false;
    view->request_rebuild();
    frame();
    auto* header = static_cast<Button*>(panel().window()->buttonPanel()->childAt(0));
    EXPECT_TRUE(panel().collapsed);
    EXPECT_EQ(header->icon(), ENTYPO_ICON_CHEVRON_DOWN);
    Window* window = panel().window();
    Widget* content = window->childAt(window->childIndex(window->buttonPanel()) == 0 ? 1 : 0);
    EXPECT_FALSE(content->visible());
    header->callback()();
    frame();
    EXPECT_EQ(button("Ruler"), nullptr);

    button("Export Points")->callback()();
    EXPECT_EQ(host.exported, view.get());

    // Scroll area: the viewport's height less 50.
    view->renderer.camera().set_grid_viewport(1024, 300, 0, 1, 1.0f);
    frame();
    content = panel().window()->childAt(1);
    EXPECT_EQ(content->childAt(0)->fixedHeight(), 250);
    // In window units also at a pixel ratio of 2 (a 4K framebuffer).
    view->renderer.camera().set_grid_viewport(3840, 2160, 1, 2, 2.0f);
    frame();
    const int rows = content->childAt(0)->preferredSize(host.screen->nvgContext()).y();
    EXPECT_LT(rows, 1080 - 50);
    EXPECT_EQ(content->childAt(0)->fixedHeight(), rows);  // no taller than the rows
    EXPECT_EQ(panel().window()->position(), Vector2i(960, 0));

    // Another view becomes first: this one loses Help and the toolbar.
    host.first = nullptr;
    frame();
    EXPECT_EQ(button("Help"), nullptr);
    host.first = view.get();
    frame();
    EXPECT_NE(button("Help"), nullptr);
}

}  // namespace
}  // namespace druvex
