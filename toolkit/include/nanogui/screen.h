// The root widget: one GLFW window with an OpenGL 3.3 core context.
#pragma once

#include <nanogui/widget.h>
#include <string>
#include <vector>

namespace nanogui {

struct ScreenRenderer;  // private: ImGui context + OpenGL 3 renderer

class Screen : public Widget {
public:
    // Creates a hidden window whose context is current when this returns.
    // Throws std::runtime_error when no window can be made (a request with
    // samples is retried with 0 first).
    Screen(const Vector2i& size, const std::string& caption, bool resizable = true,
           bool fullscreen = false, int colorBits = 8, int alphaBits = 8, int depthBits = 24,
           int stencilBits = 8, int nSamples = 0, unsigned int glMajor = 3,
           unsigned int glMinor = 3);

    // A screen without window or GL (null drawing backend): layouts, events
    // fed through the *CallbackEvent handlers and drawing into a draw list
    // that is never shown. For tests and tools.
    struct Headless {};
    Screen(Headless, const Vector2i& size, float pixelRatio = 1.0f);

    const std::string& caption() const { return mCaption; }
    void setCaption(const std::string& caption);

    const Color& background() const { return mBackground; }
    void setBackground(const Color& background) { mBackground = background; }

    // Shows or hides the window (Widget::setVisible for a headless screen).
    void setVisible(bool visible);
    void setSize(const Vector2i& size);

    // Clears, updateState(), drawContents(), drawWidgets(), swaps.
    virtual void drawAll();
    // The application's drawing (3-D content, NanoVG text below the widgets).
    virtual void drawContents() {}
    // Draws the widgets and renders the frame's 2-D draw list; leaves the GL
    // state described in toolkit.md.
    void drawWidgets();

    // Application events.
    virtual bool dropEvent(const std::vector<std::string>& /*filenames*/) { return false; }
    bool keyboardEvent(int key, int scancode, int action, int modifiers) override;
    bool keyboardCharacterEvent(unsigned int codepoint) override;
    virtual bool resizeEvent(const Vector2i& size);
    std::function<void(Vector2i)> resizeCallback() const { return mResizeCallback; }
    void setResizeCallback(const std::function<void(Vector2i)>& callback) {
        mResizeCallback = callback;
    }

    Vector2i mousePos() const { return mMousePos; }
    GLFWwindow* glfwWindow() { return mGLFWWindow; }
    NVGcontext* nvgContext() { return mNVGContext; }
    float pixelRatio() const { return mPixelRatio; }
    Vector2i framebufferSize() const { return mFBSize; }
    bool headless() const { return mGLFWWindow == nullptr; }

    using Widget::performLayout;
    void performLayout() { performLayout(mNVGContext); }

    // Focus path: index 0 is the focused widget, the last entry the screen.
    void updateFocus(Widget* widget);
    const std::vector<Widget*>& focusPath() const { return mFocusPath; }
    void moveWindowToFront(Window* window);
    void disposeWindow(Window* window);
    void centerWindow(Window* window);

    // Drag state (for tests and the file dialog's resynchronisation).
    bool dragActive() const { return mDragActive; }
    Widget* dragWidget() const { return mDragWidget; }
    int mouseState() const { return mMouseState; }
    int modifiers() const { return mModifiers; }
    // Re-reads the held mouse buttons (all released for a headless screen)
    // and ends a drag whose button is no longer held.
    void resyncMouseState();

    void descendantReleased(Widget* widget) override;

    // Event handlers (GLFW callbacks end here; tests call them directly).
    // Positions are GLFW cursor positions (divided by the pixel ratio here).
    bool cursorPosCallbackEvent(double x, double y);
    bool mouseButtonCallbackEvent(int button, int action, int modifiers);
    bool keyCallbackEvent(int key, int scancode, int action, int mods);
    bool charCallbackEvent(unsigned int codepoint);
    bool dropCallbackEvent(int count, const char** filenames);
    bool scrollCallbackEvent(double x, double y);
    bool resizeCallbackEvent(int width, int height);

    // Reads the back buffer after drawing a frame without swapping: RGBA rows,
    // top row first (empty for a headless screen). For screenshots and tests.
    std::vector<uint8_t> grabFramebuffer();

    // All screens of the process (for mainloop and the file dialog).
    static std::vector<Screen*> screens();

protected:
    ~Screen() override;
    void drawFrame(bool swap);
    void refreshSizes();
    void initialize();
    void applyGlState();

    GLFWwindow* mGLFWWindow = nullptr;
    NVGcontext* mNVGContext = nullptr;
    ScreenRenderer* mRenderer = nullptr;
    std::vector<Widget*> mFocusPath;
    Vector2i mFBSize{0, 0};
    float mPixelRatio = 1.0f;
    int mMouseState = 0, mModifiers = 0;
    Vector2i mMousePos{0, 0};
    bool mDragActive = false;
    Widget* mDragWidget = nullptr;
    bool mScreenPress = false;  // the held press hit no widget: screen drag
    double mLastInteraction = 0.0;
    Color mBackground;
    std::string mCaption;
    bool mFullscreen = false;
    std::function<void(Vector2i)> mResizeCallback;
};

}  // namespace nanogui
