// ExpandableWidget, LabelButton, Toolbar, ScopeGuard.
#include <gtest/gtest.h>

#include "platform/scope_guard.h"
#include "support/toolkit_ui.h"
#include "widgets/expandable_widget.h"
#include "widgets/label_button.h"
#include "widgets/toolbar.h"

using namespace nanogui;
using druvex::testing::Ui;

TEST(CustomWidgets, ExpandableWidgetCallsBackOnEverySet) {
    Ui ui;
    auto* body = new druvex::ExpandableWidget(ui.screen);
    std::vector<bool> calls;
    body->setExpandCallback([&](bool e) { calls.push_back(e); });
    body->setExpanded(false);
    body->setExpanded(false);
    EXPECT_FALSE(body->expanded());
    EXPECT_FALSE(body->visible());
    body->setExpanded(true);
    EXPECT_TRUE(body->visible());
    EXPECT_EQ(calls, (std::vector<bool>{false, false, true}));
}

TEST(CustomWidgets, LabelButtonCallsOnAnyPress) {
    Ui ui;
    auto* w = new Window(ui.screen, "W");
    w->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Fill, 10, 0));
    auto* lb = new druvex::LabelButton(w, "Group", "sans-bold", 20);
    int clicks = 0;
    lb->setClickCallback([&] { ++clicks; });
    ui.frame();
    EXPECT_EQ(lb->font(), "sans-bold");
    EXPECT_EQ(lb->fontSize(), 20);
    ui.press(Ui::center(lb), GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(clicks, 1);
    ui.release(Ui::center(lb), GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(clicks, 1);
    ui.click(lb);
    EXPECT_EQ(clicks, 2);
}

TEST(CustomWidgets, ToolbarSharesItsWidth) {
    Ui ui;
    NVGcontext* ctx = ui.screen->nvgContext();
    auto* bar = new druvex::Toolbar(ui.screen);
    bar->setLayout(new BoxLayout(Orientation::Horizontal, Alignment::Middle, 0, 0));
    bar->setSize(Vector2i(300, 25));
    EXPECT_EQ(bar->preferredSize(ctx), Vector2i(0, 25));
    for (int i = 0; i < 4; ++i) new Button(bar, "b");
    bar->performLayout(ctx);
    for (Widget* c : bar->children()) EXPECT_EQ(c->fixedSize(), Vector2i(75, 25));
    EXPECT_EQ(bar->childAt(3)->position().x(), 225);
    for (int i = 0; i < 3; ++i) new Button(bar, "b");
    bar->performLayout(ctx);
    for (Widget* c : bar->children()) EXPECT_EQ(c->width(), 42);
    EXPECT_EQ(bar->childAt(6)->position().x() + 42, 294);  // 6 units stay empty
    auto* empty = new druvex::Toolbar(ui.screen);
    empty->setSize(Vector2i(100, 25));
    EXPECT_NO_THROW(empty->performLayout(ctx));
}

TEST(CustomWidgets, ScopeGuardRunsOnce) {
    int runs = 0;
    {
        auto guard = std::make_unique<druvex::ScopeGuard>([&] { ++runs; });
        EXPECT_EQ(runs, 0);
    }
    EXPECT_EQ(runs, 1);
}
