// The toolbar panels in a window of their own beside the first view's panel.
#include "toolbar_journey.h"

#include "panels/toolbar_panels.h"

#include <gtest/gtest.h>

namespace druvex::testing {

ToolbarJourney::ToolbarJourney(const std::map<std::string, std::string>& settings,
                               const PrepareSettings& prepare)
    : AppJourney(settings, prepare) {
    if (!skip_reason().empty()) return;
    build_panels();
    app->drawAll();
}

// Stands in for the first view's Control Panel: the toolbar, then the Tools
// group's rows; beside the view's own panel, so both can be on screen.
void ToolbarJourney::build_panels() {
    window_ = new nanogui::Window(app.get(), "Toolbar");
    window_->setPosition(nanogui::Vector2i(260, 0));
    window_->setFixedWidth(250);
    form_ = new FormHelper(window_.get());
    build_toolbar(*app, *form_);
    build_screenshot_demo_panel(*app, *form_);
}

void ToolbarJourney::on_frame() {
    if (form_ == nullptr) return;
    window_->setVisible(app->panels_visible());
    form_->refresh();
}

void ToolbarJourney::rebuild_panels() {
    gui([this] {
        delete form_;
        window_->removeFromParent();
        build_panels();
    });
    frames();
}

ToolbarJourney::~ToolbarJourney() { release_panels(); }

void ToolbarJourney::end() {
    release_panels();
    AppJourney::end();
}

// The panels go before the application, as a view's Control Panel does.
void ToolbarJourney::release_panels() {
    delete form_;
    form_ = nullptr;
    window_ = nullptr;
}

void ToolbarJourney::load_paused(const std::string& capture) {
    answer_file_dialog(capture);
    click(find("Load Capture"));
    // Both sensors of the sample drawn.
    ASSERT_TRUE(wait_until([&] { return points().size() > 1000 && view_handles().size() == 2; }));
    auto* transport = find_type<Toolbar>(panel("Capture"));
    ASSERT_NE(transport, nullptr);
    click(gui([&] { return transport->childAt(1); }));
    ASSERT_FALSE(app->replay_control().is_running());
    frames();
}

}  // namespace druvex::testing
