// The toolkit tests' set-up: a headless screen driven through its handler
// functions, and a plain panel window to put widgets in.
#pragma once

#include <nanogui/nanogui.h>

#include <string>

namespace druvex::testing {

using namespace nanogui;

// A headless screen that records what reaches the application.
class TestScreen : public Screen {
public:
    explicit TestScreen(const Vector2i& size = Vector2i(800, 600))
        : Screen(Screen::Headless{}, size) {}

    bool keyboardEvent(int key, int scancode, int action, int modifiers) override {
        if (Screen::keyboardEvent(key, scancode, action, modifiers)) return true;
        lastAppKey = key;
        return true;
    }
    bool mouseDragEvent(const Vector2i& p, const Vector2i& rel, int button,
                        int modifiers) override {
        if (Widget::mouseDragEvent(p, rel, button, modifiers)) return true;
        ++screenDrags;
        lastDragRel = rel;
        lastDragMask = button;
        return true;
    }
    bool scrollEvent(const Vector2i& p, const Vector2f& rel) override {
        if (Widget::scrollEvent(p, rel)) return true;
        ++appScrolls;
        return false;
    }

    bool dropEvent(const std::vector<std::string>& files) override {
        dropped = files;
        return true;
    }

    std::vector<std::string> dropped;
    int lastAppKey = -1;
    int screenDrags = 0;
    int appScrolls = 0;
    Vector2i lastDragRel{0, 0};
    int lastDragMask = 0;
};

struct Ui {
    ref<TestScreen> screen = new TestScreen();

    void frame() {
        screen->performLayout();
        screen->drawAll();
        screen->performLayout();
    }
    void move(const Vector2i& p) { screen->cursorPosCallbackEvent(p.x(), p.y()); }
    void press(const Vector2i& p, int button = GLFW_MOUSE_BUTTON_LEFT, int mods = 0) {
        if (screen->mousePos() != p) move(p);
        screen->mouseButtonCallbackEvent(button, GLFW_PRESS, mods);
    }
    void release(const Vector2i& p, int button = GLFW_MOUSE_BUTTON_LEFT, int mods = 0) {
        if (screen->mousePos() != p) move(p);
        screen->mouseButtonCallbackEvent(button, GLFW_RELEASE, mods);
    }
    void click(const Vector2i& p, int button = GLFW_MOUSE_BUTTON_LEFT, int mods = 0) {
        press(p, button, mods);
        release(p, button, mods);
    }
    static Vector2i center(Widget* w) { return w->absolutePosition() + w->size() / 2; }
    void click(Widget* w, int button = GLFW_MOUSE_BUTTON_LEFT) { click(center(w), button); }
    void key(int key, int mods = 0) {
        screen->keyCallbackEvent(key, 0, GLFW_PRESS, mods);
        screen->keyCallbackEvent(key, 0, GLFW_RELEASE, mods);
    }
    void type(const std::string& text) {
        for (unsigned char c : text) screen->charCallbackEvent(c);
    }
    // Focus a text box through the focus path, select all and type.
    void retype(TextBox* box, const std::string& text) {
        box->requestFocus();
        key(GLFW_KEY_A, GLFW_MOD_CONTROL);
        key(GLFW_KEY_BACKSPACE);
        type(text);
        key(GLFW_KEY_ENTER);
    }
};

// A window at (10, 10), 240 wide, stacking its children with margins.
inline Window* panel(Screen* screen, const std::string& title = "Panel") {
    auto* w = new Window(screen, title);
    w->setPosition(Vector2i(10, 10));
    w->setFixedWidth(240);
    w->setLayout(new BoxLayout(Orientation::Vertical, Alignment::Fill, 8, 6));
    return w;
}

}  // namespace druvex::testing
