// The Sensors panel: switching one of two sensors off takes its points out of
// the group views.
#include "support/panel_test.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace druvex {
namespace {

using namespace druvex::testing;

using SensorsPanelTest = PanelTest;

// Pixels lit in `before` and dark in `after`, outside every window and popup.
size_t darkened_pixels(ToolbarJourney& journey, const Screenshot& before, const Screenshot& after) {
    const auto windows = journey.gui([&] {
        std::vector<std::pair<nanogui::Vector2i, nanogui::Vector2i>> rects;
        for (nanogui::Widget* w : journey.app->children())
            if (w->visible()) rects.emplace_back(w->absolutePosition(), w->size());
        return rects;
    });
    auto covered = [&](int x, int y) {
        for (const auto& [p, size] : windows) {
            if (x >= p.x() && y >= p.y() && x < p.x() + size.x() && y < p.y() + size.y())
                return true;
        }
        return false;
    };
    size_t n = 0;
    for (int y = 0; y < std::min(before.height, after.height); ++y) {
        for (int x = 0; x < std::min(before.width, after.width); ++x)
            n += !covered(x, y) && before.at(x, y)[1] >= 64 && after.at(x, y)[1] < 64 ? 1 : 0;
    }
    return n;
}

TEST_F(SensorsPanelTest, DisablingOneOfTwoSensorsRemovesItsPoints) {
    const std::string capture = sample_capture();
    ASSERT_FALSE(capture.empty()) << "no sample capture";
    journey.app->set_show_advanced(true);
    journey.run([&] {
        journey.load_paused(capture);
        journey.rebuild_panels();  // the first view has its sensors now
        journey.click(journey.find("Sensors"));
        nanogui::Widget* enable = journey.find("Enable", journey.panel("Sensors"));
        ASSERT_NE(enable, nullptr);
        journey.click(enable);
        nanogui::Widget* popup = journey.popup(enable);
        const std::vector<std::string> serials = journey.gui([&] {
            std::vector<std::string> captions;
            for (nanogui::Widget* w : popup->children()) {
                if (auto* b = dynamic_cast<nanogui::Button*>(w)) captions.push_back(b->caption());
            }
            return captions;
        });
        ASSERT_EQ(serials.size(), 2u);
        const size_t both = journey.points().size();
        // Each sensor switched off on its own: what stays is the other's points.
        std::vector<size_t> without;
        for (const std::string& serial : serials) {
            auto* button = static_cast<nanogui::Button*>(journey.find(serial, popup));
            EXPECT_TRUE(journey.gui([&] { return button->pushed(); }));
            journey.click(button);
            journey.frames();
            EXPECT_FALSE(journey.gui([&] { return button->pushed(); }));
            without.push_back(journey.points().size());
            if (serial == serials[0]) journey.screenshot(journey.data_dir + "/sensors_panel.png");
            journey.click(button);
            journey.frames();
        }
        EXPECT_GT(without[0], 0u);
        EXPECT_GT(without[1], 0u);
        EXPECT_NEAR(double(without[0] + without[1]), double(both), both * 0.05);
        EXPECT_NEAR(double(journey.points().size()), double(both), both * 0.05);

        // Both off: the view draws no point at all, not the last cloud it had.
        const Screenshot on = journey.screenshot(journey.data_dir + "/sensors_on.png");
        for (const std::string& serial : serials) journey.click(journey.find(serial, popup));
        journey.frames();
        EXPECT_EQ(journey.gui([&] { return journey.app->first_view()->renderer.points().count(); }),
                  0u);
        const Screenshot off = journey.screenshot(journey.data_dir + "/sensors_off.png");
        EXPECT_GT(darkened_pixels(journey, on, off), 100u)
            << "the points are gone from the picture";
    });
}

}  // namespace
}  // namespace druvex
