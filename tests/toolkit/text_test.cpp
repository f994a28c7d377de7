// Text, labels, text-box commit rules and number fields without a display.
#include <gtest/gtest.h>

#include <cmath>

#include "support/toolkit_ui.h"
#include "support/wait.h"

using namespace nanogui;
using druvex::testing::panel;
using druvex::testing::Ui;

// ---- NanoVG-style text ------------------------------------------------------------------

TEST(ToolkitText, FontsAndIconsArePresent) {
    Ui ui;
    NVGcontext* ctx = ui.screen->nvgContext();
    for (unsigned cp : {0x2795u, 0x2796u, 0xE75Cu, 0xE75Fu, 0xE75Eu, 0x2016u, 0x25B6u, 0x25A0u,
                        0x2B05u, 0x27A1u, 0x2713u})
        EXPECT_TRUE(nvgFaceHasGlyph(ctx, "icons", cp)) << std::hex << cp;
    EXPECT_TRUE(nvgFaceHasGlyph(ctx, "sans", 'A'));
    EXPECT_TRUE(nvgFaceHasGlyph(ctx, "sans", 0xB0));  // degree sign
    EXPECT_TRUE(nvgFaceHasGlyph(ctx, "sans-bold", 'g'));
}

TEST(ToolkitText, BoundsAlignmentAndMetrics) {
    Ui ui;
    NVGcontext* ctx = ui.screen->nvgContext();
    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, 16.0f);
    float asc, desc, lineh;
    nvgTextMetrics(ctx, &asc, &desc, &lineh);
    EXPECT_GT(asc, 0.0f);
    EXPECT_LT(desc, 0.0f);
    EXPECT_NEAR(lineh, asc - desc, 1e-4);
    EXPECT_NEAR(lineh, 16.0f, 1.0f);

    float b[4];
    nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_TOP);
    float adv = nvgTextBounds(ctx, 10, 20, "Hello", nullptr, b);
    EXPECT_GT(adv, 20.0f);
    EXPECT_FLOAT_EQ(b[0], 10.0f);
    EXPECT_NEAR(b[1], 20.0f, 1e-4);
    EXPECT_NEAR(b[3] - b[1], lineh, 1e-4);
    nvgTextAlign(ctx, NVG_ALIGN_RIGHT | NVG_ALIGN_BASELINE);
    nvgTextBounds(ctx, 100, 50, "Hello", nullptr, b);
    EXPECT_NEAR(b[2], 100.0f, 1e-4);
    EXPECT_NEAR(b[1], 50.0f - asc, 1e-4);
    nvgTextAlign(ctx, NVG_ALIGN_CENTER | NVG_ALIGN_MIDDLE);
    nvgTextBounds(ctx, 100, 50, "Hello", nullptr, b);
    EXPECT_NEAR((b[0] + b[2]) / 2, 100.0f, 1e-3);
    EXPECT_NEAR(nvgText(ctx, 0, 0, "Hello", nullptr), adv / 2, 1e-3);

    // Larger sizes measure larger.
    nvgFontSize(ctx, 30.0f);
    EXPECT_GT(nvgTextBounds(ctx, 0, 0, "Hello", nullptr, nullptr), adv * 1.5f);
}

TEST(ToolkitText, TextBoxBreaksRowsAtSpacesAndNewlines) {
    Ui ui;
    NVGcontext* ctx = ui.screen->nvgContext();
    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, 15.0f);
    nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_TOP);
    float lineh;
    nvgTextMetrics(ctx, nullptr, nullptr, &lineh);
    float one = nvgTextBounds(ctx, 0, 0, "Measure distance", nullptr, nullptr);
    float b[4];
    nvgTextBoxBounds(ctx, 0, 0, one + 5, "Measure distance", nullptr, b);
    EXPECT_NEAR(b[3] - b[1], lineh, 1e-3);
    nvgTextBoxBounds(ctx, 0, 0, one - 5, "Measure distance", nullptr, b);
    EXPECT_NEAR(b[3] - b[1], 2 * lineh, 1e-3);
    nvgTextBoxBounds(ctx, 0, 0, 500, "a\nb\nc", nullptr, b);
    EXPECT_NEAR(b[3] - b[1], 3 * lineh, 1e-3);

    NVGtextRow rows[8];
    int n =
        nvgTextBreakLines(ctx, "alpha beta  gamma", nullptr,
                          nvgTextBounds(ctx, 0, 0, "alpha beta", nullptr, nullptr) + 1, rows, 8);
    ASSERT_EQ(n, 2);
    EXPECT_EQ(std::string(rows[0].start, rows[0].end), "alpha beta");
    EXPECT_EQ(std::string(rows[1].start, rows[1].end), "gamma");
    // A word longer than the row breaks inside the word, never loops.
    n = nvgTextBreakLines(ctx, "abcdefghijkl", nullptr, 10.0f, rows, 8);
    EXPECT_EQ(n, 8);
}

// ---- Label ----------------------------------------------------------------------------------

TEST(ToolkitLabel, PreferredSize) {
    Ui ui;
    NVGcontext* ctx = ui.screen->nvgContext();
    Window* w = panel(ui.screen);
    auto* empty = new Label(w, "");
    EXPECT_EQ(empty->preferredSize(ctx), Vector2i(0, 0));
    auto* label = new Label(w, "Frame Length");
    Vector2i ps = label->preferredSize(ctx);
    nvgFontFace(ctx, "sans");
    nvgFontSize(ctx, 16);
    EXPECT_EQ(ps.x(), (int)nvgTextBounds(ctx, 0, 0, "Frame Length", nullptr, nullptr) + 2);
    EXPECT_EQ(ps.y(), 16);
    EXPECT_EQ(label->horizontalAlignment(), NVG_ALIGN_LEFT);
    EXPECT_EQ(label->verticalAlignment(), NVG_ALIGN_TOP);

    auto* wrapped = new Label(w, "Measure distance between two points", "sans", 15);
    wrapped->setFixedWidth(80);
    Vector2i ws = wrapped->preferredSize(ctx);
    EXPECT_EQ(ws.x(), 80);
    EXPECT_GE(ws.y(), 2 * 15 - 1);
}

TEST(ToolkitLabel, CentredCaptionWithAndWithoutFixedWidth) {
    Ui ui;
    NVGcontext* ctx = ui.screen->nvgContext();
    Window* w = panel(ui.screen);
    auto* label = new Label(w, "01:05 / 12:00");
    label->setHorizontalAlignment(NVG_ALIGN_CENTER);
    for (int fixed : {0, 200}) {
        label->setFixedWidth(fixed);
        label->setPosition(Vector2i(0, 0));
        label->setSize(Vector2i(200, 20));
        nvgBeginFrame(ctx, 800, 600, 1);
        int v0 = nvgFrameVertexCount(ctx);
        label->draw(ctx);
        float b[4];
        ASSERT_TRUE(nvgFrameBounds(ctx, v0, b));
        EXPECT_NEAR((b[0] + b[2]) / 2, 100.0f, 1.5f) << "fixed " << fixed;
        EXPECT_GE(b[1], 0.0f);  // top aligned: the text is below y
    }
}

// ---- TextBox commit rules
// ---------------------------------------------------------------------------

TEST(ToolkitTextBox, CommitRules) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "12");
    tb->setEditable(true);
    tb->setFormat("[0-9]*");
    tb->setDefaultValue("7");
    std::vector<std::string> calls;
    bool accept = true;
    tb->setCallback([&](const std::string& v) {
        calls.push_back(v);
        return accept;
    });
    ui.frame();

    ui.retype(tb, "345");
    EXPECT_EQ(tb->value(), "345");
    ui.retype(tb, "12a");  // no match: nothing committed, no callback
    EXPECT_EQ(tb->value(), "345");
    ui.retype(tb, "");  // empty: the default value
    EXPECT_EQ(tb->value(), "7");
    accept = false;
    ui.retype(tb, "99");  // the callback refuses: old text back
    EXPECT_EQ(tb->value(), "7");
    EXPECT_EQ(calls, (std::vector<std::string>{"345", "7", "99"}));
}

TEST(ToolkitTextBox, InvalidTextIsFlaggedWhileEditing) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "1");
    tb->setEditable(true);
    tb->setFormat("[0-9]*");
    ui.frame();
    tb->requestFocus();
    ui.type("x");
    EXPECT_FALSE(tb->validFormat());
    ui.frame();  // drawn tinted
    ui.key(GLFW_KEY_BACKSPACE);
    EXPECT_TRUE(tb->validFormat());
}

TEST(ToolkitTextBox, SetValueWhileEditingKeepsTheBuffer) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "abc");
    tb->setEditable(true);
    ui.frame();
    tb->requestFocus();
    ui.key(GLFW_KEY_END);
    ui.type("d");
    tb->setValue("refreshed");
    EXPECT_EQ(tb->editBuffer(), "abcd");
    ui.key(GLFW_KEY_ENTER);
    EXPECT_EQ(tb->value(), "abcd");
}

TEST(ToolkitTextBox, EditingKeysAndClipboard) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "hello");
    tb->setEditable(true);
    ui.frame();
    tb->requestFocus();
    EXPECT_EQ(tb->cursorPos(), 0);
    ui.key(GLFW_KEY_END);
    ui.key(GLFW_KEY_LEFT, GLFW_MOD_SHIFT);
    ui.key(GLFW_KEY_LEFT, GLFW_MOD_SHIFT);
    ui.key(GLFW_KEY_C, GLFW_MOD_CONTROL);
    ui.key(GLFW_KEY_HOME);
    ui.key(GLFW_KEY_V, GLFW_MOD_CONTROL);
    EXPECT_EQ(tb->editBuffer(), "lohello");
    ui.key(GLFW_KEY_DELETE);
    EXPECT_EQ(tb->editBuffer(), "loello");
    ui.key(GLFW_KEY_BACKSPACE);
    EXPECT_EQ(tb->editBuffer(), "lello");
    ui.key(GLFW_KEY_A, GLFW_MOD_CONTROL);
    ui.key(GLFW_KEY_X, GLFW_MOD_CONTROL);
    EXPECT_EQ(tb->editBuffer(), "");
    ui.key(GLFW_KEY_V, GLFW_MOD_CONTROL);
    EXPECT_EQ(tb->editBuffer(), "lello");
    ui.screen->charCallbackEvent(0xE9);  // one two-byte character
    EXPECT_EQ(tb->editBuffer(), "lello\xC3\xA9");
    ui.key(GLFW_KEY_LEFT);
    EXPECT_EQ(tb->cursorPos(), 5);
    ui.key(GLFW_KEY_DELETE);
    EXPECT_EQ(tb->editBuffer(), "lello");
}

TEST(ToolkitTextBox, ClickPlacesTheCursorAndDragSelects) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "abcdefgh");
    tb->setEditable(true);
    tb->setAlignment(TextBox::Alignment::Left);
    ui.frame();
    Vector2i p = tb->absolutePosition();
    ui.click(p + Vector2i(tb->width() - 4, tb->height() / 2));  // right of the text
    EXPECT_EQ(tb->cursorPos(), 8);
    ui.frame();
    druvex::testing::pause_for(0.3);              // not a double click
    ui.press(p + Vector2i(7, tb->height() / 2));  // before the first character
    EXPECT_EQ(tb->cursorPos(), 0);
    ui.move(p + Vector2i(tb->width() - 4, tb->height() / 2));
    ui.release(p + Vector2i(tb->width() - 4, tb->height() / 2));
    EXPECT_EQ(tb->selectionPos(), 0);
    EXPECT_EQ(tb->cursorPos(), 8);
    ui.type("z");
    EXPECT_EQ(tb->editBuffer(), "z");
}

TEST(ToolkitTextBox, ReadOnlyIgnoresTyping) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* tb = new TextBox(w, "fixed");
    ui.frame();
    ui.click(tb);
    ui.type("abc");
    ui.key(GLFW_KEY_ENTER);
    EXPECT_EQ(tb->value(), "fixed");
    EXPECT_EQ(ui.screen->lastAppKey, GLFW_KEY_ENTER);
}

// ---- IntBox / FloatBox
// -----------------------------------------------------------------------------------

TEST(ToolkitNumberBox, IntBoxStepAndClamp) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* box = new IntBox<uint16_t>(w);
    EXPECT_EQ(box->value(), 0);
    EXPECT_EQ(box->defaultValue(), "0");
    EXPECT_EQ(box->format(), "[0-9]*");
    EXPECT_EQ(box->minValue(), 0);
    EXPECT_EQ(box->maxValue(), 65535);
    box->setStep(5);
    box->setValue(14);
    EXPECT_EQ(box->TextBox::value(), "10");
    box->setStep(0);
    box->setValue(14);
    EXPECT_EQ(box->TextBox::value(), "14");
    box->setMinMaxValues(1, 6);
    box->setValue(0);
    EXPECT_EQ(box->TextBox::value(), "1");
    box->setValue(60);
    EXPECT_EQ(box->TextBox::value(), "6");
    auto* signedBox = new IntBox<int64_t>(w);
    EXPECT_EQ(signedBox->format(), "[-]?[0-9]*");
    signedBox->setValue(-42);
    EXPECT_EQ(signedBox->value(), -42);
    auto* byte = new IntBox<uint8_t>(w);
    byte->setValue(23);
    EXPECT_EQ(byte->TextBox::value(), "23");
    EXPECT_EQ(byte->value(), 23);
}

TEST(ToolkitNumberBox, IntBoxBadInputNeverThrows) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* box = new IntBox<uint16_t>(w);
    box->setEditable(true);
    std::vector<uint16_t> got;
    box->setCallback([&](uint16_t v) { got.push_back(v); });
    ui.frame();
    EXPECT_NO_THROW(ui.retype(box, "12345678901234567890"));  // 20 digits in 16 bits
    EXPECT_EQ(box->value(), 65535);
    EXPECT_NO_THROW(ui.retype(box, "e999"));
    EXPECT_EQ(box->value(), 65535);
    EXPECT_NO_THROW(ui.retype(box, "-5"));
    EXPECT_EQ(box->value(), 65535);
    EXPECT_EQ(got, (std::vector<uint16_t>{65535}));

    auto* big = new IntBox<uint64_t>(w);
    big->setEditable(true);
    big->setCallback([](uint64_t) {});
    ui.frame();
    ui.retype(big, "18446744073709551615");
    EXPECT_EQ(big->value(), 18446744073709551615ull);
    ui.retype(big, "99999999999999999999999999");
    EXPECT_EQ(big->value(), 18446744073709551615ull);
}

TEST(ToolkitNumberBox, FloatBoxDefaultsAndSnapping) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* box = new FloatBox<float>(w);
    EXPECT_EQ(box->numberFormat(), "%.4g");
    EXPECT_EQ(box->TextBox::value(), "0");
    EXPECT_EQ(box->defaultValue(), "0");
    EXPECT_FLOAT_EQ(box->valueIncrement(), 0.1f);
    EXPECT_EQ(box->minValue(), std::numeric_limits<float>::lowest());
    EXPECT_FALSE(box->spinnable());
    box->setStep(0.1f);
    box->setValue(0.123f);
    EXPECT_EQ(box->TextBox::value(), "0.1");
    box->setValue(-0.25f);  // half away from zero
    EXPECT_EQ(box->TextBox::value(), "-0.3");
    box->setMinMaxValues(-85, 85);
    box->setValue(90);
    EXPECT_EQ(box->TextBox::value(), "85");
    box->TextBox::setValue("0.26");
    EXPECT_FLOAT_EQ(box->value(), 0.3f);  // value() snaps, does not clamp
}

TEST(ToolkitNumberBox, FloatBoxCommitPassesTheTypedValue) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* box = new FloatBox<float>(w);
    box->setEditable(true);
    box->setStep(0.1f);
    box->setMinMaxValues(-85, 85);
    std::vector<float> got;
    box->setCallback([&](float v) { got.push_back(v); });
    ui.frame();
    ui.retype(box, "0.123");
    EXPECT_EQ(box->TextBox::value(), "0.1");
    ui.retype(box, "90");
    EXPECT_EQ(box->TextBox::value(), "85");
    ui.retype(box, "");
    EXPECT_EQ(box->TextBox::value(), "0");
    ui.retype(box, "abc");
    EXPECT_EQ(box->TextBox::value(), "0");
    ASSERT_EQ(got.size(), 3u);
    EXPECT_FLOAT_EQ(got[0], 0.123f);
    EXPECT_FLOAT_EQ(got[1], 90.0f);
    EXPECT_FLOAT_EQ(got[2], 0.0f);

    // Beyond float but inside double: infinity reaches the callback, the field clamps.
    ui.retype(box, "1e39");
    ASSERT_EQ(got.size(), 4u);
    EXPECT_TRUE(std::isinf(got[3]));
    EXPECT_EQ(box->TextBox::value(), "85");
    // Beyond double: old text kept, nothing called.
    EXPECT_NO_THROW(ui.retype(box, "1e999"));
    EXPECT_EQ(got.size(), 4u);
    EXPECT_EQ(box->TextBox::value(), "85");
    EXPECT_NO_THROW(ui.retype(box, "e999"));
    EXPECT_EQ(got.size(), 4u);
}

TEST(ToolkitNumberBox, SpinDragAndScrollOnlyWhenSpinnable) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* box = new FloatBox<float>(w, 1.0f);
    box->setEditable(true);
    box->setStep(0.1f);
    box->setValueIncrement(0.5f);
    std::vector<float> got;
    box->setCallback([&](float v) { got.push_back(v); });
    ui.frame();
    Vector2i p = box->absolutePosition();
    ui.move(Ui::center(box));
    ui.screen->scrollCallbackEvent(0, 1);
    EXPECT_TRUE(got.empty());

    box->setSpinnable(true);
    ui.screen->scrollCallbackEvent(0, 1);
    EXPECT_EQ(box->TextBox::value(), "1.5");
    ui.click(p + Vector2i(5, 3));  // upper half of the spin area
    EXPECT_EQ(box->TextBox::value(), "2");
    ui.click(p + Vector2i(5, box->height() - 3));
    EXPECT_EQ(box->TextBox::value(), "1.5");
    EXPECT_FALSE(box->focused());

    // Right-button drag: mouse-down value + increment * trunc(dx / 10).
    Vector2i start = p + Vector2i(box->width() / 2, box->height() / 2);
    ui.press(start, GLFW_MOUSE_BUTTON_RIGHT);
    ui.move(start + Vector2i(25, 0));
    ui.release(start + Vector2i(25, 0), GLFW_MOUSE_BUTTON_RIGHT);
    EXPECT_EQ(box->TextBox::value(), "2.5");
    EXPECT_EQ(got, (std::vector<float>{1.5f, 2.0f, 1.5f, 2.5f}));
}

TEST(ToolkitNumberBox, IntBoxSpinClampsAtTypeRange) {
    Ui ui;
    Window* w = panel(ui.screen);
    auto* box = new IntBox<uint8_t>(w, 0);
    box->setSpinnable(true);
    box->setCallback([](uint8_t) {});
    ui.frame();
    ui.move(Ui::center(box));
    ui.screen->scrollCallbackEvent(0, -1);
    EXPECT_EQ(box->value(), 0);
    box->setValue(255);
    ui.screen->scrollCallbackEvent(0, 1);
    EXPECT_EQ(box->value(), 255);
    box->setStep(5);
    box->setValue(20);
    ui.screen->scrollCallbackEvent(0, 1);  // 21 snaps down to 20
    EXPECT_EQ(box->value(), 20);
}
