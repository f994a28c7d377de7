// Tests of the form helper and its typed rows.
#include <gtest/gtest.h>

#include <cmath>

#include "support/toolkit_ui.h"
#include "widgets/form_helper.h"

using namespace nanogui;
using druvex::FormHelper;
using druvex::FormWidget;
using druvex::testing::Ui;

namespace {

enum class Mode { Constant = 0, Time, Distance };

struct FormUi : Ui {
    Window* window = nullptr;
    Widget* content = nullptr;
    std::unique_ptr<FormHelper> form;
    FormUi() {
        window = new Window(screen, "Control Panel");
        window->setPosition(Vector2i(10, 10));
        window->setFixedWidth(250);
        window->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Middle, 0, 0));
        content = new Widget(window);
        content->setFixedWidth(250);
        form = std::make_unique<FormHelper>(content);
    }
    void refreshFrame() {
        form->refresh();
        frame();
    }
};

}  // namespace

TEST(FormHelper, GridAndDefaults) {
    FormHelper detached;
    ASSERT_NE(detached.window(), nullptr);
    EXPECT_EQ(detached.window()->parent(), nullptr);
    AdvancedGridLayout* grid = detached.layout();
    ASSERT_NE(grid, nullptr);
    EXPECT_EQ(grid->cols(), (std::vector<int>{10, 0, 10, 0}));
    EXPECT_EQ(grid->rowCount(), 0);
    EXPECT_EQ(grid->margin(), 10);
    EXPECT_EQ(detached.groupFontName(), "sans-bold");
    EXPECT_EQ(detached.labelFontName(), "sans");
    EXPECT_EQ(detached.fixedSize(), Vector2i(0, 20));
    EXPECT_EQ(detached.groupFontSize(), 20);
    EXPECT_EQ(detached.labelFontSize(), 16);
    EXPECT_EQ(detached.widgetFontSize(), 16);
    EXPECT_EQ(detached.preGroupSpacing(), 5);
    EXPECT_EQ(detached.postGroupSpacing(), 0);
    EXPECT_EQ(detached.variableSpacing(), 5);
    EXPECT_EQ(detached.buttonHeight(), 25);
}

TEST(FormHelper, RowsAndAnchors) {
    FormUi ui;
    FormHelper& f = *ui.form;
    auto* widget = new Widget(f.window());
    Label* label = f.addWidget("Caption", widget);
    AdvancedGridLayout* grid = f.layout();
    ASSERT_EQ(grid->rowCount(), 2);  // spacer row + the row
    auto la = grid->anchor(label), wa = grid->anchor(widget);
    EXPECT_EQ(la.pos[0], 1);
    EXPECT_EQ(la.pos[1], 1);
    EXPECT_EQ(wa.pos[0], 3);
    EXPECT_EQ(wa.align[0], Alignment::Minimum);
    EXPECT_EQ(wa.align[1], Alignment::Middle);
    EXPECT_EQ(label->font(), "sans");

    auto* b = f.addButton("Go", [] {});
    EXPECT_EQ(b->fixedHeight(), 25);
    EXPECT_EQ(grid->anchor(b).size[0], 3);
    auto* t = f.addToggleButton("Toggle", [](bool) {});
    EXPECT_EQ(t->flags(), Button::ToggleButton);
    auto* p = f.addPopupButton("Popup");
    EXPECT_EQ(p->fixedHeight(), 25);
    auto* bar = f.addToolbar();
    EXPECT_EQ(bar->fixedHeight(), 25);
    ASSERT_NE(dynamic_cast<BoxLayout*>(bar->layout()), nullptr);
    Widget* full = f.addFullWidthWidget();
    EXPECT_EQ(grid->anchor(full).size[0], 4);
    EXPECT_EQ(grid->rowCount(), 2 + 2 + 2 + 2 + 2 + 1);
}

TEST(FormHelper, FloatRowSnapsShowsAndPassesTheTypedValue) {
    FormUi ui;
    float stored = 0.5f;
    std::vector<float> setter;
    auto* row = ui.form->addVariable<float>(
        "Value",
        [&](const float& v) {
            setter.push_back(v);
            stored = v;
        },
        [&] { return stored; });
    EXPECT_EQ(row->fixedSize(), Vector2i(0, 20));
    EXPECT_EQ(row->fontSize(), 16);
    EXPECT_EQ(row->alignment(), TextBox::Alignment::Right);
    EXPECT_EQ(row->TextBox::value(), "0.5");  // initial refresh
    row->setStep(0.1f);
    row->setMinMaxValues(-85, 85);
    ui.refreshFrame();

    ui.retype(row, "0.123");
    EXPECT_EQ(row->TextBox::value(), "0.1");
    ASSERT_EQ(setter.size(), 1u);
    EXPECT_FLOAT_EQ(setter.back(), 0.123f);
    ui.refreshFrame();  // 0.123 is not a multiple of the step: written again, same text
    EXPECT_EQ(row->TextBox::value(), "0.1");

    ui.retype(row, "90");
    EXPECT_FLOAT_EQ(setter.back(), 90.0f);
    EXPECT_EQ(row->TextBox::value(), "85");
    ui.refreshFrame();
    EXPECT_EQ(row->TextBox::value(), "85");

    ui.retype(row, "");
    EXPECT_FLOAT_EQ(setter.back(), 0.0f);
    EXPECT_EQ(row->TextBox::value(), "0");

    size_t before = setter.size();
    ui.retype(row, "1.2.3");
    EXPECT_EQ(setter.size(), before);
}

TEST(FormHelper, ReadOnlyRowFollowsItsGetter) {
    FormUi ui;
    float source = 12.0f;
    auto* row = ui.form->addPointerVariable<float>("Temp", &source);
    row->setUnits(
        "\xC2\xB0"
        "C");
    ui.refreshFrame();
    EXPECT_FALSE(row->editable());
    ui.click(row);
    ui.type("99");
    ui.key(GLFW_KEY_ENTER);
    EXPECT_EQ(row->TextBox::value(), "12");
    source = 13.5f;
    ui.refreshFrame();
    EXPECT_EQ(row->TextBox::value(), "13.5");

    auto* copied = ui.form->addValueVariable<std::string>("Model", std::string("DX-32"));
    std::string model = "DX-32";
    EXPECT_EQ(copied->value(), model);
    auto* byte = ui.form->addValueVariable<uint8_t>("# Returns", (uint8_t)23);
    EXPECT_EQ(byte->value(), 23);
    EXPECT_EQ(byte->TextBox::value(), "23");
    uint8_t counter = 1;
    auto* live = ui.form->addPointerVariable<uint8_t>("Sec", &counter);
    counter = 59;
    ui.refreshFrame();
    EXPECT_EQ(live->value(), 59);
}

TEST(FormHelper, TypedRowsForEveryType) {
    FormUi ui;
    FormHelper& f = *ui.form;
    bool flag = true;
    auto* check = f.addVariable<bool>("Flag", flag);
    EXPECT_EQ(check->fixedSize(), Vector2i(20, 20));
    EXPECT_TRUE(check->checked());
    Mode mode = Mode::Distance;
    auto* combo = f.addVariable<Mode>(
        "Mode", [&](const Mode& m) { mode = m; }, [&] { return mode; });
    combo->setItems({"Constant", "Time", "Distance"});
    ui.refreshFrame();
    EXPECT_EQ(combo->selectedIndex(), 2);
    EXPECT_EQ(combo->caption(), "Distance");
    mode = (Mode)7;  // beyond the items: the first item is shown
    ui.refreshFrame();
    EXPECT_EQ(combo->selectedIndex(), 0);

    uint16_t port = 8808;
    auto* portRow = f.addVariable<uint16_t>("Port", port);
    portRow->setDefaultValue("8808");
    int64_t period = -100;
    auto* periodRow = f.addVariable<int64_t>("Period", period, false);
    uint64_t serial = 18446744073709551615ull;
    auto* serialRow = f.addVariable<uint64_t>("Serial", serial, false);
    std::string caption = "Front";
    auto* text = f.addVariable<std::string>("Caption", caption);
    EXPECT_EQ(text->alignment(), TextBox::Alignment::Left);
    EXPECT_EQ(periodRow->value(), -100);
    EXPECT_EQ(serialRow->value(), serial);
    ui.refreshFrame();

    ui.click(check);
    EXPECT_FALSE(flag);
    ui.retype(portRow, "");
    EXPECT_EQ(port, 8808);
    ui.retype(portRow, "99999");
    EXPECT_EQ(port, 65535);
    ui.retype(text, "Rear");
    EXPECT_EQ(caption, "Rear");

    ui.click(combo);
    ui.frame();
    ui.click(combo->popup()->childAt(1));
    EXPECT_EQ(mode, Mode::Time);
}

TEST(FormHelper, EmptyGetterAndEmptyRefreshThrow) {
    FormUi ui;
    EXPECT_THROW(ui.form->addVariable<float>(
                     "x", [](const float&) {}, std::function<float()>()),
                 std::bad_function_call);
    FormHelper other(nullptr);
    other.addRefreshCallback(std::function<void()>());
    EXPECT_THROW(other.refresh(), std::bad_function_call);
}

TEST(FormHelper, RefreshRunsInInsertionOrder) {
    FormHelper f;
    std::vector<int> order;
    for (int i = 0; i < 5; ++i) f.addRefreshCallback([&order, i] { order.push_back(i); });
    f.refresh();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));

    int calls = 0;
    bool value = true;
    auto pair = f.addVisibilityGroups([&] {
        ++calls;
        return value;
    });
    f.refresh();
    EXPECT_EQ(calls, 2);
    EXPECT_TRUE(pair.first->visible());
    EXPECT_FALSE(pair.second->visible());
    value = false;
    f.refresh();
    EXPECT_FALSE(pair.first->visible());
    EXPECT_TRUE(pair.second->visible());

    bool advanced = false;
    auto flags = f.addFlagVisibilityGroups(&advanced);
    f.refresh();
    EXPECT_FALSE(flags.first->visible());
    EXPECT_TRUE(flags.second->visible());
    advanced = true;
    f.refresh();
    EXPECT_TRUE(flags.first->visible());
}

TEST(FormHelper, RowInTwoGroupsVanishesWithItsSpacer) {
    FormUi ui;
    FormHelper& f = *ui.form;
    float a = 1, b = 2, c = 3;
    bool showFirst = true, showSecond = true;
    auto g1 = f.addVisibilityGroup([&] { return showFirst; });
    auto g2 = f.addVisibilityGroup([&] { return showSecond; });
    f.addVariable<float>("A", a);
    FormWidget<float>* rowB;
    {
        auto scope = f.scopedGroups({g1.get(), g2.get()});
        rowB = f.addVariable<float>("B", b);
    }
    auto* rowC = f.addVariable<float>("C", c);
    ui.refreshFrame();
    int shownY = rowC->absolutePosition().y();
    int shownHeight = ui.window->height();
    EXPECT_EQ(shownY - rowB->absolutePosition().y(), 20 + 5);

    for (int which = 0; which < 2; ++which) {
        showFirst = which != 0;
        showSecond = which == 0;
        ui.refreshFrame();
        EXPECT_FALSE(rowB->visible());
        EXPECT_EQ(rowC->absolutePosition().y(), shownY - 25) << which;  // no gap
        EXPECT_EQ(ui.window->height(), shownHeight - 25);
    }
    showFirst = showSecond = true;
    ui.refreshFrame();
    EXPECT_EQ(rowC->absolutePosition().y(), shownY);
}

TEST(FormHelper, ExpandableGroupTogglesAndShowsIcons) {
    FormUi ui;
    FormHelper& f = *ui.form;
    druvex::ExpandableWidget* body = f.addExpandableGroup("Tools", false);
    float value = 1;
    FormWidget<float>* row;
    {
        auto scope = f.scopedWindow(body, true);
        row = f.addVariable<float>("Row", value);
    }
    float after = 2;
    auto* below = f.addVariable<float>("After", after);
    ui.refreshFrame();

    // Find the caption and the square button of the group.
    druvex::LabelButton* caption = nullptr;
    Button* square = nullptr;
    for (Widget* w : ui.content->children()) {
        if (auto* lb = dynamic_cast<druvex::LabelButton*>(w))
            caption = lb;
        else if (auto* b = dynamic_cast<Button*>(w); b && b->caption().empty())
            square = b;
    }
    ASSERT_NE(caption, nullptr);
    ASSERT_NE(square, nullptr);
    EXPECT_EQ(square->fixedSize(), Vector2i(25, 25));
    EXPECT_EQ(caption->font(), "sans-bold");
    EXPECT_EQ(square->icon(), 0x2795);  // plus while collapsed
    EXPECT_FALSE(row->visibleRecursive());
    int collapsedY = below->absolutePosition().y();

    ui.click(caption);
    EXPECT_TRUE(body->expanded());
    ui.refreshFrame();
    EXPECT_EQ(square->icon(), 0x2796);  // minus while expanded
    EXPECT_TRUE(row->visibleRecursive());
    EXPECT_GT(below->absolutePosition().y(), collapsedY);

    ui.click(square);
    EXPECT_FALSE(body->expanded());
    ui.refreshFrame();
    EXPECT_EQ(square->icon(), 0x2795);
    EXPECT_EQ(below->absolutePosition().y(), collapsedY);
    ui.click(caption, GLFW_MOUSE_BUTTON_RIGHT);  // any button toggles
    EXPECT_TRUE(body->expanded());
}

TEST(FormHelper, ScopesRestoreInReverseOrder) {
    FormUi ui;
    FormHelper& f = *ui.form;
    Widget* root = f.window();
    auto* outer = new Widget(root);
    auto* inner = new Widget(root);
    nanogui::ref<Group> g1 = new Group(), g2 = new Group(), g3 = new Group();
    {
        auto s1 = f.scopedWindow(outer, true);
        auto sg = f.scopedGroup(g1);
        EXPECT_EQ(f.window(), outer);
        {
            auto s2 = f.scopedWindow(inner, true);
            auto sgs = f.scopedGroups({g2.get(), g3.get()});
            EXPECT_EQ(f.window(), inner);
            EXPECT_EQ(f.currentGroups().size(), 3u);
            Label* l = f.addLabel("in");
            EXPECT_EQ(l->groups().size(), 3u);
        }
        EXPECT_EQ(f.window(), outer);
        EXPECT_EQ(f.layout(), outer->layout());
        EXPECT_EQ(f.currentGroups().size(), 1u);
    }
    EXPECT_EQ(f.window(), root);
    EXPECT_EQ(f.layout(), root->layout());
    EXPECT_TRUE(f.currentGroups().empty());
    int rows = f.layout()->rowCount();
    f.addLabel("back");
    EXPECT_EQ(f.layout()->rowCount(), rows + 2);
}

TEST(FormHelper, ScrollPanelAndPopupScopes) {
    FormUi ui;
    FormHelper& f = *ui.form;
    VScrollPanel* scroll = f.addScrollPanel();
    ASSERT_NE(dynamic_cast<GroupLayout*>(scroll->layout()), nullptr);
    EXPECT_EQ(f.window()->parent(), scroll);
    ASSERT_NE(f.layout(), nullptr);
    scroll->setFixedSize(Vector2i(250, 300));
    PopupButton* pb = f.addPopupButton("View");
    pb->popup()->setFixedWidth(200);
    float zoom = -2.995732f;
    {
        auto scope = f.scopedWindow(pb->popup(), true);
        auto* z = f.addVariable<float>("Zoom", zoom);
        z->setStep(0.1f);
    }
    ui.refreshFrame();
    ui.click(pb);
    ui.refreshFrame();
    EXPECT_TRUE(pb->popup()->visible());
    EXPECT_EQ(pb->popup()->width(), 200);
    EXPECT_EQ(pb->popup()->position().x(),
              ui.window->absolutePosition().x() + ui.window->width() + 15);
}

TEST(FormHelper, DestroyingTheHelperKeepsTheWidgets) {
    FormUi ui;
    float v = 1;
    auto* row = ui.form->addVariable<float>("V", v);
    int children = ui.content->childCount();
    ui.form.reset();
    EXPECT_EQ(ui.content->childCount(), children);
    EXPECT_EQ(row->parent(), ui.content);
    ui.frame();
}
