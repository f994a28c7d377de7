// Toolkit logic without a display: tree, visibility groups, update pass,
// popups, removal bookkeeping, event routing, layouts.
#include <gtest/gtest.h>

#include "support/toolkit_ui.h"

using namespace nanogui;
using druvex::testing::panel;
using druvex::testing::TestScreen;
using druvex::testing::Ui;

namespace {

// A plain widget with a fixed size, handy for layouts.
Widget* box(Widget* parent, int w, int h) {
    auto* b = new Widget(parent);
    b->setFixedSize(Vector2i(w, h));
    return b;
}

}  // namespace

// ---- Object / ref / Group ----------------------------------------------------------

TEST(ToolkitObject, RefCountsAndOrdering) {
    ref<Group> a = new Group();
    EXPECT_EQ(a->getRefCount(), 1);
    {
        ref<Group> b = a;
        EXPECT_EQ(a->getRefCount(), 2);
        ref<Group> c = std::move(b);
        EXPECT_EQ(a->getRefCount(), 2);
        EXPECT_FALSE((bool)b);
        EXPECT_TRUE(c == a);
    }
    EXPECT_EQ(a->getRefCount(), 1);
    EXPECT_TRUE(a->visible());
    ref<Group> other = new Group();
    EXPECT_NE(a < other, other < a);
}

// ---- visibility groups ----------------------------------------------------------------

TEST(ToolkitGroups, HiddenGroupHidesWidgetAndItsSpace) {
    Ui ui;
    Window* w = panel(ui.screen);
    Widget* first = box(w, 100, 20);
    Widget* middle = box(w, 100, 30);
    Widget* last = box(w, 100, 20);
    ref<Group> g = new Group();
    middle->addGroup(g);
    middle->addGroup(g);  // held once
    middle->addGroup(nullptr);
    EXPECT_EQ(middle->groups().size(), 1u);
    ui.frame();
    int withMiddle = last->position().y();
    EXPECT_EQ(withMiddle, first->position().y() + 20 + 6 + 30 + 6);

    g->setVisible(false);
    EXPECT_TRUE(middle->ownVisible());
    EXPECT_FALSE(middle->visible());
    ui.frame();
    EXPECT_EQ(last->position().y(), first->position().y() + 20 + 6);

    g->setVisible(true);
    ui.frame();
    EXPECT_EQ(last->position().y(), withMiddle);
}

TEST(ToolkitGroups, VisibleRecursiveHonoursAncestorGroups) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* inner = new Widget(w);
    auto* leaf = new Widget(inner);
    ref<Group> g = new Group();
    inner->addGroup(g);
    EXPECT_TRUE(leaf->visibleRecursive());
    g->setVisible(false);
    EXPECT_TRUE(leaf->visible());
    EXPECT_FALSE(leaf->visibleRecursive());
}

TEST(ToolkitGroups, HiddenWidgetIsNotFoundByEvents) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* b = new Button(w, "Hit");
    int clicks = 0;
    b->setCallback([&] { ++clicks; });
    ui.frame();
    Vector2i at = Ui::center(b);
    ref<Group> g = new Group();
    b->addGroup(g);
    g->setVisible(false);
    ui.click(at);
    EXPECT_EQ(clicks, 0);
    g->setVisible(true);
    ui.click(at);
    EXPECT_EQ(clicks, 1);
}

// ---- tree -----------------------------------------------------------------------------------

TEST(ToolkitTree, AddChildMovesAndRemoveChildReleases) {
    Ui ui;
    Window* a = panel(ui.screen, "A");
    Window* b = panel(ui.screen, "B");
    auto* w = new Widget(a);
    EXPECT_EQ(w->getRefCount(), 1);
    b->addChild(0, w);
    EXPECT_EQ(w->parent(), b);
    EXPECT_EQ(a->childIndex(w), -1);
    EXPECT_EQ(b->childIndex(w), 0);
    EXPECT_EQ(w->getRefCount(), 1);
    EXPECT_EQ(w->theme(), b->theme());

    ref<Widget> keep = w;
    b->removeChild(w);
    EXPECT_EQ(w->parent(), nullptr);
    EXPECT_EQ(w->getRefCount(), 1);
    b->removeChild(w);  // not a child: nothing
    EXPECT_EQ(w->getRefCount(), 1);
}

TEST(ToolkitTree, ThemeFollowsTheScreen) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* label = new Label(w, "x");
    EXPECT_EQ(label->theme(), ui.screen->theme());
    ui.screen->theme()->mWindowFillFocused.w() = 1.0f;
    EXPECT_FLOAT_EQ(w->theme()->mWindowFillFocused.w(), 1.0f);
}

// ---- update pass and popups ----------------------------------------------------------------

TEST(ToolkitPopup, PopupFollowsPushedStateOnTheSameFrame) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* pb = new PopupButton(w, "Open");
    ui.frame();
    EXPECT_EQ(pb->popup()->parent(), ui.screen.get());
    EXPECT_EQ(pb->popup()->parentWindow(), w);
    EXPECT_FALSE(pb->popup()->visible());

    ui.click(pb);
    EXPECT_TRUE(pb->pushed());
    ui.screen->updateState();
    EXPECT_TRUE(pb->popup()->visible());
    EXPECT_EQ(w->openPopupButton(), pb);

    ui.click(pb);
    EXPECT_FALSE(pb->pushed());
    ui.screen->updateState();
    EXPECT_FALSE(pb->popup()->visible());
}

TEST(ToolkitPopup, HidingAnAncestorClosesThePopup) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* holder = new Widget(w);
    holder->setLayout(new BoxLayout(Orientation::Vertical));
    auto* pb = new PopupButton(holder, "Open");
    ui.frame();
    pb->setPushed(true);
    ui.screen->updateState();
    ASSERT_TRUE(pb->popup()->visible());

    holder->setVisible(false);
    ui.screen->updateState();
    EXPECT_FALSE(pb->pushed());
    EXPECT_FALSE(pb->popup()->visible());

    holder->setVisible(true);
    ref<Group> g = new Group();
    holder->addGroup(g);
    pb->setPushed(true);
    ui.screen->updateState();
    ASSERT_TRUE(pb->popup()->visible());
    g->setVisible(false);
    ui.screen->updateState();
    EXPECT_FALSE(pb->pushed());
    EXPECT_FALSE(pb->popup()->visible());
}

TEST(ToolkitPopup, DisabledButtonUnpushes) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* pb = new PopupButton(w, "Open");
    pb->setPushed(true);
    ui.screen->updateState();
    pb->setEnabled(false);
    ui.screen->updateState();
    EXPECT_FALSE(pb->pushed());
    EXPECT_FALSE(pb->popup()->visible());
}

TEST(ToolkitPopup, SecondPopupInTheSameWindowClosesTheFirst) {
    for (int order = 0; order < 2; ++order) {
        Ui ui;
        Window* w = panel(ui.screen);
        auto* a = new PopupButton(w, "A");
        auto* b = new PopupButton(w, "B");
        ui.frame();
        PopupButton* first = order == 0 ? a : b;
        PopupButton* second = order == 0 ? b : a;
        first->setPushed(true);
        ui.screen->updateState();
        ASSERT_TRUE(first->popup()->visible());
        second->setPushed(true);
        ui.screen->updateState();
        EXPECT_FALSE(first->pushed()) << "order " << order;
        EXPECT_FALSE(first->popup()->visible()) << "order " << order;
        EXPECT_TRUE(second->pushed());
        EXPECT_TRUE(second->popup()->visible());
        EXPECT_EQ(w->openPopupButton(), second);
    }
}

TEST(ToolkitPopup, PopupsInDifferentWindowsStayOpen) {
    Ui ui;
    Window* w1 = panel(ui.screen, "One");
    Window* w2 = panel(ui.screen, "Two");
    auto* a = new PopupButton(w1, "A");
    auto* b = new PopupButton(w2, "B");
    a->setPushed(true);
    b->setPushed(true);
    ui.screen->updateState();
    EXPECT_TRUE(a->popup()->visible());
    EXPECT_TRUE(b->popup()->visible());
}

TEST(ToolkitPopup, PlacementKeepsBottomMarginAndTopEdge) {
    Ui ui;  // 800 x 600
    Window* w = panel(ui.screen);
    auto* pb = new PopupButton(w, "Open");
    Popup* popup = pb->popup();
    w->setPosition(Vector2i(10, 450));
    popup->setAnchorPos(Vector2i(255, 90));
    popup->setSize(Vector2i(200, 150));
    popup->refreshRelativePlacement();
    EXPECT_EQ(popup->position().x(), 10 + 255);
    EXPECT_EQ(popup->position().y() + 150, 600 - 10);  // moved up

    w->setPosition(Vector2i(10, 100));
    popup->refreshRelativePlacement();
    EXPECT_EQ(popup->position().y(), 100 + 90 - 30);  // fits: no move

    popup->setSize(Vector2i(200, 900));
    popup->refreshRelativePlacement();
    EXPECT_EQ(popup->position().y(), 0);  // the top edge wins
}

TEST(ToolkitPopup, AnchorIsBesideTheWindowAtTheButtonCentre) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* pb = new PopupButton(w, "Open");
    ui.frame();
    int centre = pb->absolutePosition().y() - w->absolutePosition().y() + pb->height() / 2;
    EXPECT_EQ(pb->popup()->anchorPos(), Vector2i(w->width() + 15, centre));
    EXPECT_EQ(pb->popup()->anchorHeight(), 30);
    EXPECT_GE(pb->popup()->preferredSize(ui.screen->nvgContext()).y(), 60);
}

TEST(ToolkitPopup, HiddenParentWindowHidesPopupWhenDrawn) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* pb = new PopupButton(w, "Open");
    pb->setPushed(true);
    ui.frame();
    ASSERT_TRUE(pb->popup()->visible());
    w->setVisible(false);
    pb->popup()->refreshRelativePlacement();
    EXPECT_FALSE(pb->popup()->visible());
}

// ---- removal bookkeeping ------------------------------------------------------------------------

TEST(ToolkitRemoval, RemovingPanelWithOpenPopupClearsWindowField) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* section = new Widget(w);
    section->setLayout(new BoxLayout(Orientation::Vertical));
    auto* pb = new PopupButton(section, "Open");
    new Label(pb->popup(), "inside");
    ref<Popup> popup = pb->popup();
    ui.frame();
    pb->setPushed(true);
    ui.screen->updateState();
    ASSERT_EQ(w->openPopupButton(), pb);
    int screenChildren = ui.screen->childCount();

    section->removeFromParent();
    EXPECT_EQ(w->openPopupButton(), nullptr);
    EXPECT_EQ(popup->parent(), nullptr);
    EXPECT_EQ(ui.screen->childIndex(popup.get()), -1);
    EXPECT_EQ(ui.screen->childCount(), screenChildren - 1);
    ui.frame();  // nothing dangles
}

TEST(ToolkitRemoval, RemovingFocusedSubtreeEmptiesFocusPath) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* section = new Widget(w);
    section->setLayout(new BoxLayout(Orientation::Vertical));
    auto* tb = new TextBox(section, "abc");
    tb->setEditable(true);
    tb->setFixedSize(Vector2i(100, 20));
    ui.frame();
    ui.click(tb);
    ASSERT_TRUE(tb->focused());
    ASSERT_EQ(ui.screen->focusPath().front(), tb);
    ASSERT_EQ(ui.screen->focusPath().back(), ui.screen.get());

    section->removeFromParent();
    EXPECT_TRUE(ui.screen->focusPath().empty());
    ui.key(GLFW_KEY_SPACE);
    EXPECT_EQ(ui.screen->lastAppKey, GLFW_KEY_SPACE);
    ui.click(Vector2i(700, 500));
    ui.frame();
}

TEST(ToolkitRemoval, RemovingDragWidgetEndsTheDrag) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* slider = new Slider(w);
    ui.frame();
    ui.press(Ui::center(slider));
    ASSERT_TRUE(ui.screen->dragActive());
    ASSERT_EQ(ui.screen->dragWidget(), slider);
    slider->removeFromParent();
    EXPECT_FALSE(ui.screen->dragActive());
    EXPECT_EQ(ui.screen->dragWidget(), nullptr);
    ui.move(Vector2i(300, 300));
    ui.release(Vector2i(300, 300));
}

TEST(ToolkitRemoval, DestroyedButtonTakesItsPopupAlong) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* section = new Widget(w);
    auto* pb = new PopupButton(section, "Open");
    ref<Popup> popup = pb->popup();
    ui.frame();
    int before = ui.screen->childCount();
    w->removeChild(section);  // plain removal: the button dies with its section
    EXPECT_EQ(ui.screen->childCount(), before - 1);
    EXPECT_EQ(popup->parent(), nullptr);
    EXPECT_EQ(popup->parentWindow(), nullptr);
    ui.frame();
}

TEST(ToolkitRemoval, ReleaseAnnouncesWholeSubtreeToEveryAncestor) {
    struct Recorder : Widget {
        explicit Recorder(Widget* p) : Widget(p) {}
        void descendantReleased(Widget* w) override { seen.push_back(w); }
        std::vector<Widget*> seen;
    };
    Ui ui;
    auto* root = new Recorder(ui.screen);
    auto* mid = new Recorder(root);
    auto* a = new Widget(mid);
    auto* b = new Widget(a);
    auto* c = new Widget(mid);
    ref<Widget> keep = mid;
    mid->removeFromParent();
    EXPECT_EQ(root->seen, (std::vector<Widget*>{mid, a, b, c}));
    EXPECT_EQ(mid->seen, (std::vector<Widget*>{a, b, c}));
    EXPECT_EQ(mid->parent(), nullptr);
}

// ---- focus, keys, drag, scroll
// ---------------------------------------------------------------------

TEST(ToolkitEvents, FocusPathAndWindowOrder) {
    Ui ui;
    Window* a = panel(ui.screen, "A");
    auto* pa = new PopupButton(a, "P");
    Window* b = panel(ui.screen, "B");
    b->setPosition(Vector2i(600, 10));
    auto* bb = new Button(b, "x");
    ui.frame();
    ui.click(pa);
    ui.frame();
    // The popup of A comes after A, B stays in front of both unless focused.
    auto idx = [&](Widget* w) { return ui.screen->childIndex(w); };
    EXPECT_LT(idx(a), idx(pa->popup()));
    ui.click(bb);
    EXPECT_EQ(ui.screen->focusPath().front(), bb);
    EXPECT_GT(idx(b), idx(a));
    ui.click(pa);  // focus A again: its popup follows it
    EXPECT_GT(idx(a), idx(b));
    EXPECT_GT(idx(pa->popup()), idx(a));
}

TEST(ToolkitEvents, KeysReachTheApplicationAfterAButtonClick) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* button = new Button(w, "Press");
    auto* tb = new TextBox(w, "");
    tb->setEditable(true);
    ui.frame();
    ui.click(button);
    ui.key(GLFW_KEY_SPACE);
    EXPECT_EQ(ui.screen->lastAppKey, GLFW_KEY_SPACE);
    ui.key(GLFW_KEY_F1);
    EXPECT_EQ(ui.screen->lastAppKey, GLFW_KEY_F1);

    ui.click(tb);
    ui.screen->lastAppKey = -1;
    ui.key(GLFW_KEY_Q);
    ui.type("q");
    EXPECT_EQ(ui.screen->lastAppKey, -1);  // the editing box consumed them
    EXPECT_EQ(tb->editBuffer(), "q");
    ui.key(GLFW_KEY_ENTER);
    EXPECT_EQ(tb->value(), "q");
    ui.key(GLFW_KEY_SPACE);
    EXPECT_EQ(ui.screen->lastAppKey, GLFW_KEY_SPACE);  // committed: keys go on
}

TEST(ToolkitEvents, PressOutsideWidgetsCommitsAndDragsTheScreen) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "1");
    tb->setEditable(true);
    std::string committed;
    tb->setCallback([&](const std::string& v) {
        committed = v;
        return true;
    });
    ui.frame();
    ui.click(tb);
    ui.key(GLFW_KEY_END);
    ui.type("2");
    ui.press(Vector2i(600, 400), GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(committed, "12");
    EXPECT_FALSE(ui.screen->dragActive());
    ui.move(Vector2i(610, 395));
    EXPECT_EQ(ui.screen->screenDrags, 1);
    EXPECT_EQ(ui.screen->lastDragRel, Vector2i(10, -5));
    EXPECT_EQ(ui.screen->lastDragMask, 1 << GLFW_MOUSE_BUTTON_RIGHT);
    ui.release(Vector2i(610, 395), GLFW_MOUSE_BUTTON_RIGHT);
    ui.move(Vector2i(620, 395));
    EXPECT_EQ(ui.screen->screenDrags, 1);

    // A drag that starts on a widget never reaches the screen.
    ui.press(Ui::center(tb), GLFW_MOUSE_BUTTON_MIDDLE);
    ui.move(Ui::center(tb) + Vector2i(5, 5));
    EXPECT_EQ(ui.screen->screenDrags, 1);
    ui.release(Ui::center(tb) + Vector2i(5, 5), GLFW_MOUSE_BUTTON_MIDDLE);
}

TEST(ToolkitEvents, WindowDragByHeader) {
    Ui ui;
    Window* w = panel(ui.screen);
    new Button(w, "x");
    ui.frame();
    Vector2i start = w->position();
    ui.press(start + Vector2i(50, 10));
    ui.move(start + Vector2i(80, 30));
    ui.release(start + Vector2i(80, 30));
    EXPECT_EQ(w->position(), start + Vector2i(30, 20));
}

TEST(ToolkitEvents, ScrollOverPanelsIsConsumed) {
    Ui ui;
    Window* w = panel(ui.screen);
    new Button(w, "x");
    ui.frame();
    ui.move(Ui::center(w));
    EXPECT_TRUE(ui.screen->scrollCallbackEvent(0, 1));
    EXPECT_EQ(ui.screen->appScrolls, 0);
    ui.move(Vector2i(700, 500));
    ui.screen->scrollCallbackEvent(0, 1);
    EXPECT_EQ(ui.screen->appScrolls, 1);
}

TEST(ToolkitEvents, SliderPressDragReleaseAndFinalCallback) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* slider = new Slider(w);
    std::vector<float> values, finals;
    slider->setCallback([&](float v) { values.push_back(v); });
    slider->setFinalCallback([&](float v) { finals.push_back(v); });
    ui.frame();
    Vector2i p = slider->absolutePosition();
    ui.press(p + Vector2i(slider->width() / 2, slider->height() / 2));
    EXPECT_NEAR(slider->value(), 0.5f, 0.05f);
    ui.move(p + Vector2i(slider->width() - 1, slider->height() / 2));
    EXPECT_NEAR(slider->value(), 1.0f, 0.05f);
    ui.move(Vector2i(790, 590));  // far outside: clamped
    EXPECT_FLOAT_EQ(slider->value(), 1.0f);
    ui.release(Vector2i(790, 590));  // released outside: still final
    ASSERT_EQ(finals.size(), 1u);
    EXPECT_FLOAT_EQ(finals[0], 1.0f);
    EXPECT_GE(values.size(), 3u);
    EXPECT_EQ(slider->preferredSize(ui.screen->nvgContext()), Vector2i(70, 16));
}

TEST(ToolkitEvents, DropAndResizeReachTheApplication) {
    Ui ui;
    const char* files[] = {"/data/a.pcap", "druvex_clips.json"};
    EXPECT_TRUE(ui.screen->dropCallbackEvent(2, files));
    EXPECT_EQ(ui.screen->dropped, (std::vector<std::string>{"/data/a.pcap", "druvex_clips.json"}));
    Vector2i seen(0, 0);
    ui.screen->setResizeCallback([&](Vector2i s) { seen = s; });
    ui.screen->resizeCallbackEvent(1024, 768);
    EXPECT_EQ(seen, Vector2i(1024, 768));
    EXPECT_EQ(ui.screen->size(), Vector2i(1024, 768));
    EXPECT_EQ(ui.screen->framebufferSize(), Vector2i(1024, 768));
}

TEST(ToolkitEvents, ButtonCallbackMayRemoveItsOwnPanel) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* section = new Widget(w);
    section->setLayout(new BoxLayout(Orientation::Vertical));
    auto* b = new Button(section, "Rebuild");
    int calls = 0;
    b->setCallback([&] {
        ++calls;
        section->removeFromParent();
    });
    ui.frame();
    ui.click(b);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(w->childCount(), 0);
    ui.frame();
}

TEST(ToolkitEvents, ToggleRadioAndNormalButtons) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* normal = new Button(w, "N");
    auto* toggle = new Button(w, "T");
    toggle->setFlags(Button::ToggleButton);
    auto* r1 = new Button(w, "R1");
    auto* r2 = new Button(w, "R2");
    r1->setFlags(Button::RadioButton);
    r2->setFlags(Button::RadioButton);
    std::vector<bool> changes;
    toggle->setChangeCallback([&](bool v) { changes.push_back(v); });
    ui.frame();
    ui.click(normal);
    EXPECT_FALSE(normal->pushed());
    ui.click(toggle);
    EXPECT_TRUE(toggle->pushed());
    ui.click(toggle);
    EXPECT_FALSE(toggle->pushed());
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    ui.click(r1);
    ui.click(r2);
    EXPECT_FALSE(r1->pushed());
    EXPECT_TRUE(r2->pushed());
    // Disabled: nothing.
    toggle->setEnabled(false);
    ui.click(toggle);
    EXPECT_FALSE(toggle->pushed());
}

TEST(ToolkitEvents, CheckBoxTogglesOnReleaseInside) {
    Ui ui;
    Window* w = panel(ui.screen);
    std::vector<bool> seen;
    auto* cb = new CheckBox(w, "Check", [&](bool v) { seen.push_back(v); });
    ui.frame();
    ui.click(cb);
    EXPECT_TRUE(cb->checked());
    ui.press(Ui::center(cb));
    ui.release(Vector2i(700, 500));  // released outside
    EXPECT_TRUE(cb->checked());
    cb->setEnabled(false);
    ui.click(cb);
    EXPECT_TRUE(cb->checked());
    EXPECT_EQ(seen, (std::vector<bool>{true}));
}

// ---- layouts
// ------------------------------------------------------------------------------------------

TEST(ToolkitLayout, AdvancedGridSizesAndPlacement) {
    Ui ui;
    auto* host = new Widget(ui.screen);
    host->setFixedSize(Vector2i(300, 0));
    auto* grid = new AdvancedGridLayout({10, 0, 10, 0}, {}, 10);
    grid->setColStretch(3, 1.0f);
    host->setLayout(grid);
    using A = AdvancedGridLayout::Anchor;
    Widget* caption = box(host, 50, 16);
    Widget* value = box(host, 0, 20);
    grid->appendRow(0);
    grid->setAnchor(caption, A(1, 0, Alignment::Middle, Alignment::Middle));
    grid->setAnchor(value, A(3, 0, Alignment::Minimum, Alignment::Middle));
    Widget* hidden = box(host, 0, 40);
    grid->appendRow(0);
    grid->setAnchor(hidden, A(1, 1, 3, 1));
    hidden->setVisible(false);
    Widget* wide = box(host, 0, 25);
    grid->appendRow(0);
    grid->setAnchor(wide, A(1, 2, 3, 1, Alignment::Middle, Alignment::Middle));
    Widget* fixedSmall = box(host, 30, 10);
    grid->appendRow(0);
    grid->setAnchor(fixedSmall, A(3, 3, Alignment::Maximum, Alignment::Middle));
    Widget* unanchored = box(host, 5, 5);
    unanchored->setPosition(Vector2i(-7, -7));
    Widget* outOfRange = box(host, 5, 5);
    grid->setAnchor(outOfRange, A(9, 9));

    NVGcontext* ctx = ui.screen->nvgContext();
    Vector2i pref = host->preferredSize(ctx);
    EXPECT_EQ(pref.y(), 10 + 20 + 0 + 25 + 10 + 10);
    host->setSize(Vector2i(300, pref.y()));
    EXPECT_NO_THROW(host->performLayout(ctx));

    // Column 1 = widest caption, column 3 takes the rest of 300 - 2 * 10.
    EXPECT_EQ(caption->position(), Vector2i(20, 10 + 2));
    EXPECT_EQ(caption->size(), Vector2i(50, 16));
    EXPECT_EQ(value->position(), Vector2i(80, 10));
    EXPECT_EQ(value->size(), Vector2i(210, 20));    // fixed width 0: fills its cell
    EXPECT_EQ(wide->position(), Vector2i(20, 30));  // the hidden row has height 0
    EXPECT_EQ(wide->size(), Vector2i(270, 25));
    EXPECT_EQ(fixedSmall->position(), Vector2i(290 - 30, 55));
    EXPECT_EQ(unanchored->position(), Vector2i(-7, -7));  // skipped
}

TEST(ToolkitLayout, WindowTitleReservesHeader) {
    Ui ui;
    auto* w = new Window(ui.screen, "Title");
    w->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Middle, 0, 0));
    Widget* b = box(w, 100, 20);
    ui.frame();
    EXPECT_EQ(b->position().y(), 30);
    EXPECT_EQ(w->height(), 50);
    auto* untitled = new Window(ui.screen, "");
    untitled->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Middle, 0, 0));
    Widget* c = box(untitled, 100, 20);
    ui.frame();
    EXPECT_EQ(c->position().y(), 0);
}

TEST(ToolkitLayout, GroupLayoutIndentsAfterALabel) {
    Ui ui;
    auto* host = new Widget(ui.screen);
    host->setLayout(new GroupLayout(15, 6, 14, 20));
    host->setFixedWidth(300);
    Widget* a = box(host, 0, 20);
    new Label(host, "Group");
    Widget* b = box(host, 0, 20);
    ui.frame();
    EXPECT_EQ(a->position().x(), 15);
    EXPECT_EQ(a->width(), 270);
    EXPECT_EQ(b->position().x(), 35);
    EXPECT_EQ(b->width(), 250);
}

TEST(ToolkitLayout, VScrollPanelKeepsScrollAndOffersWheelToFields) {
    Ui ui;
    auto* w = panel(ui.screen);
    auto* scroll = new VScrollPanel(w);
    scroll->setFixedSize(Vector2i(200, 100));
    auto* content = new Widget(scroll);
    content->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Fill, 0, 0));
    auto* field = new FloatBox<float>(content, 1.0f);
    field->setFixedHeight(20);
    field->setSpinnable(true);
    box(content, 0, 280);
    ui.frame();
    EXPECT_EQ(content->width(), 188);
    EXPECT_EQ(content->position().y(), 0);

    ui.move(Ui::center(field));
    EXPECT_TRUE(ui.screen->scrollCallbackEvent(0, 1));  // the field spins
    EXPECT_FLOAT_EQ(field->value(), 1.1f);
    EXPECT_FLOAT_EQ(scroll->scroll(), 0.0f);

    ui.move(scroll->absolutePosition() + Vector2i(100, 80));
    ui.screen->scrollCallbackEvent(0, -1);
    EXPECT_GT(scroll->scroll(), 0.0f);
    ui.frame();
    float s = scroll->scroll();
    ui.frame();
    EXPECT_FLOAT_EQ(scroll->scroll(), s);
    EXPECT_LT(content->position().y(), 0);
}

// ---- combo box
// -----------------------------------------------------------------------------------------------

TEST(ToolkitCombo, ItemsSelectionAndUserChoice) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* combo =
        new ComboBox(w, {"Constant", "Time", "Raw Intensity"}, {"Constant", "Time", "Raw I"});
    std::vector<int> chosen;
    combo->setCallback([&](int i) { chosen.push_back(i); });
    EXPECT_EQ(combo->caption(), "Constant");
    combo->setSelectedIndex(2);
    EXPECT_EQ(combo->caption(), "Raw I");
    combo->setSelectedIndex(7);  // ignored
    combo->setSelectedIndex(-1);
    EXPECT_EQ(combo->selectedIndex(), 2);
    EXPECT_TRUE(chosen.empty());

    ui.frame();
    ui.click(combo);
    ui.frame();
    ASSERT_TRUE(combo->popup()->visible());
    auto* item = dynamic_cast<Button*>(combo->popup()->childAt(1));
    ASSERT_NE(item, nullptr);
    ui.click(item);
    EXPECT_EQ(chosen, (std::vector<int>{1}));
    EXPECT_EQ(combo->selectedIndex(), 1);
    EXPECT_EQ(combo->caption(), "Time");
    ui.frame();
    EXPECT_FALSE(combo->popup()->visible());

    ui.move(Ui::center(combo));
    ui.screen->scrollCallbackEvent(0, 1);
    EXPECT_EQ(combo->selectedIndex(), 1);  // scrolling does not change the selection
}

// ---- tooltip and drawing smoke
// -------------------------------------------------------------------------------

TEST(ToolkitDraw, EverythingDrawsHeadless) {
    Ui ui;
    Window* w = panel(ui.screen);
    new Label(w, "Label");
    new Button(w, "Button", 0x25B6);
    (new CheckBox(w, "Check"))->setChecked(true);
    auto* tb = new TextBox(w, "text");
    tb->setUnits("m");
    tb->setEditable(true);
    auto* fb = new FloatBox<float>(w, 2.5f);
    fb->setSpinnable(true);
    new ComboBox(w, {"a", "b"});
    new Slider(w);
    auto* pb = new PopupButton(w, "Popup");
    pb->setPushed(true);
    pb->setTooltip("tip\nline two");
    new ImageView(w, 0);
    ui.frame();
    ui.move(Ui::center(pb));
    ui.click(tb);
    ui.type("x");
    ui.frame();
    NVGcontext* ctx = ui.screen->nvgContext();
    nvgBeginFrame(ctx, 800, 600, 1);
    int v0 = nvgFrameVertexCount(ctx);
    ui.screen->draw(ctx);
    EXPECT_GT(nvgFrameVertexCount(ctx) - v0, 500);
    ui.screen->drawWidgets();  // tooltip path
}
