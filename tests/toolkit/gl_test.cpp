// The demo form in a real window (under xvfb-run): GL state, pixels of an
// opened popup and of a hidden group, typing through the Screen's handlers.
#include <gtest/gtest.h>

#include <chrono>

#include <nanogui/glutil.h>

#include "demo_form.h"

using namespace nanogui;
using druvex_demo::DemoScreen;

// Under a sanitizer build: Mesa's GLX/llvmpipe stack leaks a few blocks from
// modules it unloads at exit (a bare GLFW window shows the same), which no
// suppression can name. Leak checking stays on for every window-less test.
extern "C" int __lsan_is_turned_off() { return 1; }

namespace {

struct Rgb {
    int r, g, b;
};

class GlTest : public ::testing::Test {
protected:
    // GLFW is started once for the whole suite, as the viewer does.
    static void SetUpTestSuite() {
        try {
            nanogui::init();
            glfwUp = true;
        } catch (const std::exception& e) {
            initError = e.what();
        }
    }
    static void TearDownTestSuite() {
        if (glfwUp) nanogui::shutdown();
        glfwUp = false;
    }
    void SetUp() override {
        if (!glfwUp) GTEST_SKIP() << "no display: " << initError;
        try {
            screen = new DemoScreen(Vector2i(760, 620), 0);
        } catch (const std::exception& e) {
            GTEST_SKIP() << "no GL 3.3 context: " << e.what();
        }
        screen->setVisible(true);
        grab();
    }
    void TearDown() override { screen = nullptr; }

    static inline bool glfwUp = false;
    static inline std::string initError;

    void grab() {
        screen->refreshAndLayout();
        pixels = screen->grabFramebuffer();
        fb = screen->framebufferSize();
        ASSERT_EQ(pixels.size(), (size_t)fb.x() * fb.y() * 4);
    }
    Rgb at(Vector2i p) const {
        float pr = screen->pixelRatio();
        int x = (int)(p.x() * pr), y = (int)(p.y() * pr);
        size_t i = ((size_t)y * fb.x() + x) * 4;
        return {pixels[i], pixels[i + 1], pixels[i + 2]};
    }
    static bool near(Rgb a, Rgb b, int tol = 4) {
        return std::abs(a.r - b.r) <= tol && std::abs(a.g - b.g) <= tol &&
               std::abs(a.b - b.b) <= tol;
    }
    int brightPixels(Vector2i pos, Vector2i size, int threshold = 170) const {
        int n = 0;
        for (int y = pos.y(); y < pos.y() + size.y(); ++y)
            for (int x = pos.x(); x < pos.x() + size.x(); ++x) {
                Rgb c = at(Vector2i(x, y));
                if (std::max({c.r, c.g, c.b}) >= threshold) ++n;
            }
        return n;
    }
    void click(Widget* w, int button = GLFW_MOUSE_BUTTON_LEFT) {
        Vector2i c = w->absolutePosition() + w->size() / 2;
        float pr = screen->pixelRatio();
        screen->cursorPosCallbackEvent(c.x() * pr, c.y() * pr);
        screen->mouseButtonCallbackEvent(button, GLFW_PRESS, 0);
        screen->mouseButtonCallbackEvent(button, GLFW_RELEASE, 0);
    }

    ref<DemoScreen> screen;
    std::vector<uint8_t> pixels;
    Vector2i fb;
};

}  // namespace

TEST_F(GlTest, LeavesTheGlStateTheViewerRelieson) {
    screen->drawAll();
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    EXPECT_EQ(v[2], screen->framebufferSize().x());
    EXPECT_EQ(v[3], screen->framebufferSize().y());
    GLint i = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &i);
    EXPECT_EQ(i, 0);
    glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &i);
    EXPECT_EQ(i, 0);
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &i);
    EXPECT_EQ(i, 0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &i);
    EXPECT_EQ(i, 0);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &i);
    EXPECT_EQ(i, GL_TEXTURE0);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    glGetIntegerv(GL_BLEND_SRC_RGB, &i);
    EXPECT_EQ(i, GL_ONE);
    glGetIntegerv(GL_BLEND_DST_RGB, &i);
    EXPECT_EQ(i, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
    EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(GlTest, GLShaderCompilesReportsAndFrees) {
    GLShader ok;
    const char* vs =
        "#version 330 core\nuniform mat4 m;\nlayout(location=0) in vec3 vp;\n"
        "void main() { gl_Position = m * vec4(vp, 1.0); }\n";
    const char* fs =
        "#version 330 core\nuniform float a; uniform int n; uniform bool r;\nout vec4 c;\n"
        "void main() { c = vec4(a, float(n), r ? 1.0 : 0.0, 1.0); }\n";
    ASSERT_TRUE(ok.init("test", vs, fs));
    ok.bind();
    EXPECT_GE(ok.uniform("m"), 0);
    EXPECT_EQ(ok.uniform("missing", false), -1);
    ok.setUniform("m", Matrix4f(Matrix4f::Identity()));
    ok.setUniform("a", 0.5f);
    ok.setUniform("n", 3);
    ok.setUniform("r", true);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    ok.free();
    EXPECT_FALSE(ok.valid());
    glUseProgram(0);

    GLShader bad;
    EXPECT_NO_THROW(
        EXPECT_FALSE(bad.init("broken", vs, "#version 330 core\nvoid main() { oops; }\n")));
    const char* gs =
        "#version 330 core\nlayout(points) in; layout(triangle_strip, max_vertices = 3) out;\n"
        "void main() { gl_Position = gl_in[0].gl_Position; EmitVertex(); EndPrimitive(); }\n";
    GLShader geo;
    EXPECT_TRUE(geo.init("geometry", vs, fs, gs));
    geo.free();
}

TEST_F(GlTest, TextAndIconsAreDrawn) {
    // The window title and the group toggles show bright glyph pixels.
    Window* panel = screen->panel();
    EXPECT_GT(brightPixels(panel->absolutePosition() + Vector2i(60, 8), Vector2i(140, 16), 120),
              30);
    druvex::ExpandableWidget* display = screen->displayGroup();
    (void)display;
    int icons = 0;
    for (Widget* w : screen->form()->window()->children())
        if (auto* b = dynamic_cast<Button*>(w); b && b->caption().empty() && b->icon() == 0x2796) {
            ++icons;
            EXPECT_GT(brightPixels(b->absolutePosition() + Vector2i(3, 3),
                                   b->size() - Vector2i(6, 6), 150),
                      20);
        }
    EXPECT_EQ(icons, 2);
}

TEST_F(GlTest, PopupOpensBesideItsButtonWithItsPointer) {
    PopupButton* view = screen->viewPopupButton();
    Popup* popup = view->popup();
    Window* panel = screen->panel();
    Vector2i pointer(panel->absolutePosition().x() + panel->width() + 5,
                     view->absolutePosition().y() + view->height() / 2);
    Rgb before = at(pointer);
    EXPECT_FALSE(popup->visible());

    click(view);
    grab();
    ASSERT_TRUE(popup->visible());
    EXPECT_EQ(popup->position().x(), panel->absolutePosition().x() + panel->width() + 15);
    EXPECT_EQ(popup->position().y(), view->absolutePosition().y() + view->height() / 2 - 30);
    Rgb fill = at(popup->position() + Vector2i(popup->width() - 4, popup->height() / 2));
    EXPECT_TRUE(near(fill, {50, 50, 50})) << fill.r << "," << fill.g << "," << fill.b;
    EXPECT_TRUE(near(at(pointer), {50, 50, 50}));  // the pointer
    EXPECT_FALSE(near(before, {50, 50, 50}));

    click(view);  // toggles closed
    grab();
    EXPECT_FALSE(popup->visible());
    EXPECT_TRUE(near(at(pointer), before));
}

TEST_F(GlTest, HiddenGroupLeavesNoGap) {
    // "POV Scale" belongs to the advanced group: hidden by default.
    PopupButton* view = screen->viewPopupButton();
    Window* panel = screen->panel();
    int hiddenY = view->absolutePosition().y();
    Rgb margin = at(Vector2i(panel->absolutePosition().x() + 4, hiddenY - 3));
    Rgb gap = at(Vector2i(view->absolutePosition().x() + view->width() / 2, hiddenY - 3));
    EXPECT_TRUE(near(gap, margin));  // spacer only: panel background
    Rgb inButton = at(view->absolutePosition() + Vector2i(8, view->height() / 2));
    EXPECT_FALSE(near(inButton, margin));

    click(screen->advancedButton());
    grab();
    EXPECT_TRUE(screen->state.showAdvanced);
    EXPECT_EQ(view->absolutePosition().y(), hiddenY + 25);
    click(screen->advancedButton());
    grab();
    EXPECT_EQ(view->absolutePosition().y(), hiddenY);

    // Collapsing "Display" pulls "Capture" up; the old place shows panel background.
    druvex::ExpandableWidget* display = screen->displayGroup();
    Vector2i rowPos = display->absolutePosition() + Vector2i(display->width() / 2, 12);
    Rgb rowBefore = at(rowPos);
    int captureBefore = screen->captureGroup()->absolutePosition().y();
    display->setExpanded(false);
    grab();
    int captureAfter = screen->captureGroup()->absolutePosition().y();
    EXPECT_EQ(captureBefore - captureAfter, display->height());
    EXPECT_FALSE(near(at(rowPos), rowBefore) && !near(rowBefore, margin));
}

TEST_F(GlTest, TypingThroughTheHandlers) {
    // Find the "Caption" text row.
    TextBox* caption = nullptr;
    for (Widget* w : screen->displayGroup()->children())
        if (auto* t = dynamic_cast<druvex::FormWidget<std::string>*>(w)) caption = t;
    ASSERT_NE(caption, nullptr);
    click(caption);
    screen->keyCallbackEvent(GLFW_KEY_A, 0, GLFW_PRESS, GLFW_MOD_CONTROL);
    for (char c : std::string("Rear lidar")) screen->charCallbackEvent((unsigned char)c);
    grab();  // drawn while editing
    screen->keyCallbackEvent(GLFW_KEY_ENTER, 0, GLFW_PRESS, 0);
    EXPECT_EQ(screen->state.caption, "Rear lidar");
    grab();
    EXPECT_GT(brightPixels(caption->absolutePosition() + Vector2i(4, 3),
                           caption->size() - Vector2i(8, 6), 140),
              20);
}

TEST_F(GlTest, ASecondScreenInTheSameProcess) {
    screen = nullptr;  // destroy the first
    ref<DemoScreen> second = new DemoScreen(Vector2i(400, 300), 0);
    second->setVisible(true);
    std::vector<uint8_t> px = second->grabFramebuffer();
    EXPECT_EQ(px.size(), (size_t)second->framebufferSize().prod() * 4);
    second = nullptr;
    screen = new DemoScreen(Vector2i(760, 620), 0);  // for TearDown
}

TEST_F(GlTest, MainLoopRunsUntilTheWindowCloses) {
    screen->closeAfterFrames = screen->framesDrawn + 5;
    auto start = std::chrono::steady_clock::now();
    nanogui::mainloop(20);  // the refresh thread wakes the loop: no input needed
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GE(screen->framesDrawn, screen->closeAfterFrames);
    EXPECT_FALSE(screen->visible());
    EXPECT_LT(seconds, 10.0);
    EXPECT_FALSE(nanogui::active());
}

namespace {
struct ThrowingScreen : Screen {
    ThrowingScreen() : Screen(Vector2i(200, 150), "throws", false, false, 8, 8, 24, 8, 0, 3, 3) {}
    void drawContents() override { throw std::runtime_error("boom"); }
};
}  // namespace

TEST_F(GlTest, MainLoopEndsOnAnException) {
    screen->setVisible(false);
    ref<ThrowingScreen> bad = new ThrowingScreen();
    bad->setVisible(true);
    testing::internal::CaptureStderr();
    EXPECT_NO_THROW(nanogui::mainloop(20));
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("Caught exception in main loop: boom"), std::string::npos) << err;
}
