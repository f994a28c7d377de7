// The Control Panel's choice captions as drawn: every colour mode, colormap
// and display mode reads in full, clear of its button's arrow.
#include "panels/control_panel.h"
#include "panels/panel_values.h"
#include "support/panel_test.h"

#include <nanovg.h>

#include <gtest/gtest.h>

namespace druvex {
namespace {

using namespace druvex::testing;

// Whether a column of the button's middle band holds caption or arrow pixels.
bool lit_column(const Screenshot& shot, nanogui::Vector2i p, nanogui::Vector2i size, int x) {
    for (int y = 4; y < size.y() - 4; ++y) {
        if (shot.at(p.x() + x, p.y() + y)[1] >= 150) return true;
    }
    return false;
}

// Where the arrow of a choice button begins, from its right edge.
int arrow_left(ToolbarJourney& journey, nanogui::PopupButton* button) {
    return journey.gui([&] {
        NVGcontext* ctx = journey.app->nvgContext();
        nvgFontFace(ctx, "icons");
        nvgFontSize(ctx, button->fontSize() * button->theme()->mIconScale);
        const auto icon = nanogui::utf8(button->chevronIcon());
        return button->width() - 8 - int(nvgTextBounds(ctx, 0, 0, icon.data(), nullptr, nullptr));
    });
}

using ControlPanelCaptionsTest = PanelTest;

TEST_F(ControlPanelCaptionsTest, ChoicesReadInFullClearOfTheirArrows) {
    journey.app->set_show_advanced(true);
    journey.run([&] {
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->first_view() != nullptr; }));
        journey.frames();
        View* view = journey.app->first_view();
        nanogui::Widget* panel =
            journey.gui([&] { return static_cast<ControlPanel&>(*view->panel()).window(); });
        // A caption drawn in full: ink inside the button, none in the three
        // columns before the arrow or at the button's left edge.
        auto check = [&](const std::string& row, const std::string& caption) {
            journey.frames();
            auto* combo = static_cast<nanogui::PopupButton*>(journey.row(row, panel));
            ASSERT_NE(combo, nullptr) << row;
            const auto [p, size] = journey.gui(
                [&] { return std::make_pair(combo->absolutePosition(), combo->size()); });
            const int arrow = arrow_left(journey, combo);
            const Screenshot shot = journey.picture(journey.data_dir + "/caption.png");
            ASSERT_GT(shot.width, p.x() + size.x());
            int ink = 0;
            for (int x = 0; x < arrow - 3; ++x) ink += lit_column(shot, p, size, x) ? 1 : 0;
            EXPECT_GT(ink, 5) << row << ": " << caption << " not drawn";
            for (int x : {1, 2, arrow - 3, arrow - 2, arrow - 1})
                EXPECT_FALSE(lit_column(shot, p, size, x)) << row << ": " << caption << " at " << x;
        };
        for (int mode = 0; mode < 9; ++mode) {
            journey.gui([&] { choose_color_mode(view->config, view->renderer.camera(), mode); });
            check("Color Mode", color_mode_names()[size_t(mode)]);
        }
        journey.gui([&] {
            choose_color_mode(view->config, view->renderer.camera(), COLOR_MODE_INTENSITY);
        });
        for (int colormap = 0; colormap < 5; ++colormap) {
            journey.gui([&] { view->renderer.camera().colormap = colormap; });
            check("Colormap", colormap_names()[size_t(colormap)]);
        }
        for (int index = 0; index < 4; ++index) {
            journey.gui([&] { view->config.display_mode = display_mode_value(index); });
            check("Display Mode", display_mode_names()[size_t(index)]);
        }
    });
}

}  // namespace
}  // namespace druvex
