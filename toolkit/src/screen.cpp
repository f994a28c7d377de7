// Screen: the GLFW window, its events and the drawing of widgets.
#include <nanogui/file_dialog.h>
#include <nanogui/opengl.h>
#include <nanogui/popupbutton.h>
#include <nanogui/screen.h>
#include <nanogui/window.h>

#include "nvg_context.h"

#include <backends/imgui_impl_opengl3.h>

#include <algorithm>
#include <dlfcn.h>
#include <iostream>
#include <map>
#include <stdexcept>

namespace nanogui {

// ---- registry ---------------------------------------------------------------------

namespace {
std::map<GLFWwindow*, Screen*>& windowRegistry() {
    static std::map<GLFWwindow*, Screen*> registry;
    return registry;
}
std::vector<Screen*>& allScreens() {
    static std::vector<Screen*> screens;
    return screens;
}
Screen* screenOf(GLFWwindow* w) {
    auto& reg = windowRegistry();
    auto it = reg.find(w);
    return it == reg.end() ? nullptr : it->second;
}
double now() { return get_time(); }
}  // namespace

std::vector<Screen*> Screen::screens() { return allScreens(); }

// ---- renderer: one ImGui context (only for its OpenGL 3 backend) per screen --------

struct ScreenRenderer {
    ImGuiContext* imgui = nullptr;
    bool ok = false;
};

namespace {
struct ImGuiContextScope {
    ImGuiContext* previous;
    explicit ImGuiContextScope(ImGuiContext* ctx) : previous(ImGui::GetCurrentContext()) {
        ImGui::SetCurrentContext(ctx);
    }
    ~ImGuiContextScope() { ImGui::SetCurrentContext(previous); }
};
}  // namespace

// ---- construction ---------------------------------------------------------------------

Screen::Screen(const Vector2i& size, const std::string& caption, bool resizable, bool fullscreen,
               int colorBits, int alphaBits, int depthBits, int stencilBits, int nSamples,
               unsigned int glMajor, unsigned int glMinor)
    : Widget(nullptr), mCaption(caption), mFullscreen(fullscreen) {
    mBackground = Color(0.3f, 0.3f, 0.32f, 1.0f);

    auto hints = [&](int samples) {
        glfwDefaultWindowHints();
        glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_API);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, (int)glMajor);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, (int)glMinor);
        glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GL_TRUE);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_SAMPLES, samples);
        glfwWindowHint(GLFW_RED_BITS, colorBits);
        glfwWindowHint(GLFW_GREEN_BITS, colorBits);
        glfwWindowHint(GLFW_BLUE_BITS, colorBits);
        glfwWindowHint(GLFW_ALPHA_BITS, alphaBits);
        glfwWindowHint(GLFW_STENCIL_BITS, stencilBits);
        glfwWindowHint(GLFW_DEPTH_BITS, depthBits);
        glfwWindowHint(GLFW_VISIBLE, GL_FALSE);
        glfwWindowHint(GLFW_RESIZABLE, resizable ? GL_TRUE : GL_FALSE);
    };
    auto create = [&]() -> GLFWwindow* {
        if (fullscreen) {
            GLFWmonitor* monitor = glfwGetPrimaryMonitor();
            const GLFWvidmode* mode = monitor ? glfwGetVideoMode(monitor) : nullptr;
            if (monitor && mode)
                return glfwCreateWindow(mode->width, mode->height, caption.c_str(), monitor,
                                        nullptr);
        }
        return glfwCreateWindow(size.x(), size.y(), caption.c_str(), nullptr, nullptr);
    };

    hints(nSamples);
    mGLFWWindow = create();
    if (!mGLFWWindow && nSamples != 0) {
        hints(0);
        mGLFWWindow = create();
    }
    if (!mGLFWWindow)
        throw std::runtime_error("Could not create an OpenGL " + std::to_string(glMajor) + "." +
                                 std::to_string(glMinor) + " context!");

    glfwMakeContextCurrent(mGLFWWindow);
    glfwSwapInterval(0);

    glfwSetCursorPosCallback(mGLFWWindow, [](GLFWwindow* w, double x, double y) {
        if (Screen* s = screenOf(w)) s->cursorPosCallbackEvent(x, y);
    });
    glfwSetMouseButtonCallback(mGLFWWindow,
                               [](GLFWwindow* w, int button, int action, int modifiers) {
                                   if (Screen* s = screenOf(w))
                                       s->mouseButtonCallbackEvent(button, action, modifiers);
                               });
    glfwSetKeyCallback(mGLFWWindow, [](GLFWwindow* w, int key, int scancode, int action, int mods) {
        if (Screen* s = screenOf(w)) s->keyCallbackEvent(key, scancode, action, mods);
    });
    glfwSetCharCallback(mGLFWWindow, [](GLFWwindow* w, unsigned int codepoint) {
        if (Screen* s = screenOf(w)) s->charCallbackEvent(codepoint);
    });
    glfwSetDropCallback(mGLFWWindow, [](GLFWwindow* w, int count, const char** filenames) {
        if (Screen* s = screenOf(w)) s->dropCallbackEvent(count, filenames);
    });
    glfwSetScrollCallback(mGLFWWindow, [](GLFWwindow* w, double x, double y) {
        if (Screen* s = screenOf(w)) s->scrollCallbackEvent(x, y);
    });
    glfwSetFramebufferSizeCallback(mGLFWWindow, [](GLFWwindow* w, int width, int height) {
        if (Screen* s = screenOf(w)) s->resizeCallbackEvent(width, height);
    });
    glfwSetWindowSizeCallback(mGLFWWindow, [](GLFWwindow* w, int width, int height) {
        if (Screen* s = screenOf(w)) s->resizeCallbackEvent(width, height);
    });

    initialize();
}

Screen::Screen(Headless, const Vector2i& size, float pixelRatio) : Widget(nullptr) {
    mBackground = Color(0.3f, 0.3f, 0.32f, 1.0f);
    mPixelRatio = pixelRatio > 0 ? pixelRatio : 1.0f;
    mSize = size;
    mFBSize = (size.cast<float>() * mPixelRatio).cast<int>();
    mVisible = true;
    mTheme = new Theme();
    mNVGContext = detail::createContext(mPixelRatio);
    allScreens().push_back(this);
    mLastInteraction = now();
}

void Screen::initialize() {
    // GLFW and ImGui's GL loader dlopen libGL and dlclose it at exit; keeping it
    // mapped lets leak checkers name the driver's own allocations.
    static void* keepGl = dlopen("libGL.so.1", RTLD_LAZY | RTLD_NODELETE);
    (void)keepGl;
    refreshSizes();
    mVisible = glfwGetWindowAttrib(mGLFWWindow, GLFW_VISIBLE) != 0;
    mTheme = new Theme();
    mNVGContext = detail::createContext(mPixelRatio);

    // The OpenGL 3 renderer of Dear ImGui, in a context of this screen's own
    // whose font atlas is the NanoVG-style context's atlas.
    mRenderer = new ScreenRenderer();
    mRenderer->imgui = ImGui::CreateContext(mNVGContext->atlas.get());
    {
        ImGuiContextScope scope(mRenderer->imgui);
        ImGuiIO& io = ImGui::GetIO();
        io.IniFilename = nullptr;
        io.LogFilename = nullptr;
        mRenderer->ok = ImGui_ImplOpenGL3_Init("#version 330 core");
        if (mRenderer->ok) mRenderer->ok = ImGui_ImplOpenGL3_CreateDeviceObjects();
        if (!mRenderer->ok) std::cerr << "nanogui: could not create the 2-D renderer" << std::endl;
    }
    detail::refreshTextureId(mNVGContext);

    windowRegistry()[mGLFWWindow] = this;
    allScreens().push_back(this);
    mLastInteraction = now();

    applyGlState();
    glViewport(0, 0, mFBSize.x(), mFBSize.y());
    glClearColor(mBackground[0], mBackground[1], mBackground[2], mBackground[3]);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
}

Screen::~Screen() {
    auto& all = allScreens();
    all.erase(std::remove(all.begin(), all.end(), this), all.end());
    if (mGLFWWindow) {
        windowRegistry().erase(mGLFWWindow);
        glfwMakeContextCurrent(mGLFWWindow);
    }
    if (mRenderer) {
        if (mRenderer->imgui) {
            {
                ImGuiContextScope scope(mRenderer->imgui);
                if (mRenderer->ok) ImGui_ImplOpenGL3_Shutdown();
            }
            ImGuiContext* current = ImGui::GetCurrentContext();
            ImGui::DestroyContext(mRenderer->imgui);
            if (current != mRenderer->imgui) ImGui::SetCurrentContext(current);
        }
        delete mRenderer;
        mRenderer = nullptr;
    }
    // Children go before the context whose fonts they measure with.
    mFocusPath.clear();
    mDragWidget = nullptr;
    std::vector<Widget*> children;
    children.swap(mChildren);
    for (Widget* child : children)
        if (child->parent() == this) child->setParent(nullptr);
    for (Widget* child : children) child->decRef();
    mDragWidget = nullptr;
    delete mNVGContext;
    mNVGContext = nullptr;
    if (mGLFWWindow) {
        glfwDestroyWindow(mGLFWWindow);
        mGLFWWindow = nullptr;
    }
}

void Screen::setCaption(const std::string& caption) {
    if (caption != mCaption) {
        if (mGLFWWindow) glfwSetWindowTitle(mGLFWWindow, caption.c_str());
        mCaption = caption;
    }
}

void Screen::setVisible(bool visible) {
    if (mVisible != visible) {
        mVisible = visible;
        if (mGLFWWindow) {
            if (visible)
                glfwShowWindow(mGLFWWindow);
            else
                glfwHideWindow(mGLFWWindow);
        }
    }
}

void Screen::setSize(const Vector2i& size) {
    Widget::setSize(size);
    if (mGLFWWindow)
        glfwSetWindowSize(mGLFWWindow, size.x(), size.y());
    else
        mFBSize = (size.cast<float>() * mPixelRatio).cast<int>();
}

void Screen::refreshSizes() {
    if (!mGLFWWindow) return;
    int fbW = 0, fbH = 0, w = 0, h = 0;
    glfwGetFramebufferSize(mGLFWWindow, &fbW, &fbH);
    glfwGetWindowSize(mGLFWWindow, &w, &h);
    mFBSize = Vector2i(fbW, fbH);
    mSize = Vector2i(w, h);
    if (w > 0 && fbW > 0) mPixelRatio = (float)fbW / (float)w;
}

// ---- drawing ---------------------------------------------------------------------------

void Screen::applyGlState() {
    glViewport(0, 0, mFBSize.x(), mFBSize.y());
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glUseProgram(0);
    glBindVertexArray(0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
}

void Screen::drawAll() {
    // Before the frame begins: the answer may draw frames of its own (a screenshot).
    deliver_file_dialog_answer();
    drawFrame(true);
}

void Screen::drawFrame(bool swap) {
    if (mGLFWWindow) {
        glfwMakeContextCurrent(mGLFWWindow);
        refreshSizes();
        glViewport(0, 0, mFBSize.x(), mFBSize.y());
        glClearColor(mBackground[0], mBackground[1], mBackground[2], mBackground[3]);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    }
    detail::beginFrame(mNVGContext, (float)mSize.x(), (float)mSize.y(), mPixelRatio);
    updateState();
    drawContents();
    drawWidgets();
    if (mGLFWWindow && swap) glfwSwapBuffers(mGLFWWindow);
}

void Screen::drawWidgets() {
    if (mGLFWWindow) {
        glfwMakeContextCurrent(mGLFWWindow);
        glViewport(0, 0, mFBSize.x(), mFBSize.y());
    }
    NVGcontext* ctx = mNVGContext;
    nvgSave(ctx);
    nvgReset(ctx);
    // Windows and popups draw their own drop shadows, so they are not clipped.
    for (Widget* child : mChildren) {
        if (!child->visible()) continue;
        nvgSave(ctx);
        child->draw(ctx);
        nvgRestore(ctx);
    }

    // Tooltip of the deepest widget under the mouse, after 0.5 s without input.
    double elapsed = now() - mLastInteraction;
    if (elapsed > 0.5) {
        Widget* widget = findWidget(mMousePos);
        if (widget && !widget->tooltip().empty()) {
            const int tooltipWidth = 150;
            float bounds[4];
            nvgFontFace(ctx, "sans");
            nvgFontSize(ctx, 15.0f);
            nvgTextAlign(ctx, NVG_ALIGN_LEFT | NVG_ALIGN_TOP);
            Vector2i pos =
                widget->absolutePosition() + Vector2i(widget->width() / 2, widget->height() + 10);
            nvgTextBoxBounds(ctx, (float)pos.x(), (float)pos.y(), (float)tooltipWidth,
                             widget->tooltip().c_str(), nullptr, bounds);
            int h = (int)((bounds[2] - bounds[0]) / 2);
            if (h > tooltipWidth / 2) {
                nvgTextAlign(ctx, NVG_ALIGN_CENTER | NVG_ALIGN_TOP);
                nvgTextBoxBounds(ctx, (float)pos.x(), (float)pos.y(), (float)tooltipWidth,
                                 widget->tooltip().c_str(), nullptr, bounds);
                h = (int)((bounds[2] - bounds[0]) / 2);
            }
            float alpha = (float)std::min(1.0, 2 * (elapsed - 0.5)) * 0.8f;
            nvgGlobalAlpha(ctx, alpha);
            nvgFillColor(ctx, nvgRGBA(0, 0, 0, 255));
            nvgFillRect(ctx, bounds[0] - 4 - h, bounds[1] - 4, (int)(bounds[2] - bounds[0]) + 8,
                        (int)(bounds[3] - bounds[1]) + 8, 3);
            int px = (int)((bounds[2] + bounds[0]) / 2) - h;
            nvgFillTriangle(ctx, (float)px, bounds[1] - 10, (float)px + 7, bounds[1] + 1,
                            (float)px - 7, bounds[1] + 1);
            nvgFillColor(ctx, nvgRGBA(255, 255, 255, 255));
            nvgTextBox(ctx, (float)pos.x() - h, (float)pos.y(), (float)tooltipWidth,
                       widget->tooltip().c_str(), nullptr);
        }
    }
    nvgRestore(ctx);

    // Render the frame's 2-D draw list (NanoVG text of drawContents, then the widgets).
    if (mGLFWWindow && mRenderer && mRenderer->ok) {
        ImDrawList* dl = ctx->drawList.get();
        ImDrawData data;
        ImDrawList* lists[1] = {dl};
        data.Valid = true;
        data.CmdLists = lists;
        data.CmdListsCount = 1;
        data.TotalVtxCount = dl->VtxBuffer.Size;
        data.TotalIdxCount = dl->IdxBuffer.Size;
        data.DisplayPos = ImVec2(0.0f, 0.0f);
        data.DisplaySize = ImVec2((float)mSize.x(), (float)mSize.y());
        data.FramebufferScale = ImVec2(mPixelRatio, mPixelRatio);
        if (dl->VtxBuffer.Size > 0 && mSize.x() > 0 && mSize.y() > 0) {
            ImGuiContextScope scope(mRenderer->imgui);
            ImGui::GetIO().DisplaySize = data.DisplaySize;
            ImGui::GetIO().DisplayFramebufferScale = data.FramebufferScale;
            ImGui_ImplOpenGL3_RenderDrawData(&data);
        }
    }
    // A second drawWidgets in the same frame draws only the widgets again.
    detail::beginFrame(ctx, (float)mSize.x(), (float)mSize.y(), mPixelRatio);
    if (mGLFWWindow) applyGlState();
}

std::vector<uint8_t> Screen::grabFramebuffer() {
    std::vector<uint8_t> pixels;
    if (!mGLFWWindow) return pixels;
    drawFrame(false);
    int w = mFBSize.x(), h = mFBSize.y();
    if (w <= 0 || h <= 0) return pixels;
    std::vector<uint8_t> raw((size_t)w * h * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, raw.data());
    pixels.resize(raw.size());
    for (int y = 0; y < h; ++y)
        std::copy(raw.begin() + (size_t)(h - 1 - y) * w * 4, raw.begin() + (size_t)(h - y) * w * 4,
                  pixels.begin() + (size_t)y * w * 4);
    glfwSwapBuffers(mGLFWWindow);
    return pixels;
}

// ---- focus and windows ------------------------------------------------------------------------

void Screen::updateFocus(Widget* widget) {
    // Callbacks run by focusEvent may rebuild panels: hold the old path.
    std::vector<ref<Widget>> old;
    for (Widget* w : mFocusPath)
        if (w != this) old.emplace_back(w);
    mFocusPath.clear();
    for (auto& w : old)
        if (w->focused()) w->focusEvent(false);

    mFocusPath.clear();
    Widget* window = nullptr;
    while (widget) {
        mFocusPath.push_back(widget);
        if (dynamic_cast<Window*>(widget)) window = widget;
        widget = widget->parent();
    }
    std::vector<Widget*> path = mFocusPath;
    for (auto it = path.rbegin(); it != path.rend(); ++it) (*it)->focusEvent(true);
    if (window) moveWindowToFront((Window*)window);
}

void Screen::moveWindowToFront(Window* window) {
    auto it = std::find(mChildren.begin(), mChildren.end(), window);
    if (it == mChildren.end()) return;
    mChildren.erase(it);
    mChildren.push_back(window);
    // Popups of the window go after it (brute-force topological sort).
    bool changed;
    int guard = 0;
    do {
        size_t baseIndex = 0;
        for (size_t index = 0; index < mChildren.size(); ++index)
            if (mChildren[index] == window) baseIndex = index;
        changed = false;
        for (size_t index = 0; index < mChildren.size(); ++index) {
            Popup* pw = dynamic_cast<Popup*>(mChildren[index]);
            if (pw && pw->parentWindow() == window && index < baseIndex) {
                moveWindowToFront(pw);
                changed = true;
                break;
            }
        }
    } while (changed && ++guard < 1000);
}

void Screen::disposeWindow(Window* window) {
    if (std::find(mFocusPath.begin(), mFocusPath.end(), window) != mFocusPath.end())
        mFocusPath.clear();
    window->removeFromParent();
}

void Screen::centerWindow(Window* window) {
    if (window->size() == Vector2i::Zero()) {
        window->setSize(window->preferredSize(mNVGContext));
        window->performLayout(mNVGContext);
    }
    window->setPosition((mSize - window->size()) / 2);
}

void Screen::descendantReleased(Widget* widget) {
    auto it = std::find(mFocusPath.begin(), mFocusPath.end(), widget);
    if (it != mFocusPath.end()) mFocusPath.erase(it, mFocusPath.end());
    if (mDragWidget == widget) {
        mDragActive = false;
        mDragWidget = nullptr;
    }
}

void Screen::resyncMouseState() {
    int state = 0;
    if (mGLFWWindow) {
        for (int b = GLFW_MOUSE_BUTTON_1; b <= GLFW_MOUSE_BUTTON_LAST; ++b)
            if (glfwGetMouseButton(mGLFWWindow, b) == GLFW_PRESS) state |= 1 << b;
    }
    mMouseState = state;
    if (!(state & ((1 << GLFW_MOUSE_BUTTON_1) | (1 << GLFW_MOUSE_BUTTON_2)))) {
        mDragActive = false;
        mDragWidget = nullptr;
    }
    if (state == 0) mScreenPress = false;
    mLastInteraction = now();
}

// ---- events ------------------------------------------------------------------------------------

bool Screen::keyboardEvent(int key, int scancode, int action, int modifiers) {
    if (mFocusPath.size() > 1) {
        std::vector<ref<Widget>> path;
        for (auto it = mFocusPath.rbegin() + 1; it != mFocusPath.rend(); ++it)
            path.emplace_back(*it);
        for (auto& w : path)
            if (w->focused() && w->keyboardEvent(key, scancode, action, modifiers)) return true;
    }
    return false;
}

bool Screen::keyboardCharacterEvent(unsigned int codepoint) {
    if (mFocusPath.size() > 1) {
        std::vector<ref<Widget>> path;
        for (auto it = mFocusPath.rbegin() + 1; it != mFocusPath.rend(); ++it)
            path.emplace_back(*it);
        for (auto& w : path)
            if (w->focused() && w->keyboardCharacterEvent(codepoint)) return true;
    }
    return false;
}

bool Screen::resizeEvent(const Vector2i& size) {
    if (mResizeCallback) mResizeCallback(size);
    return false;
}

bool Screen::cursorPosCallbackEvent(double x, double y) {
    Vector2i p((int)(x / mPixelRatio), (int)(y / mPixelRatio));
    bool ret = false;
    mLastInteraction = now();
    KeepAlive self(this);
    try {
        Vector2i rel = p - mMousePos;
        if (mDragActive && mDragWidget) {
            Widget* parent = mDragWidget->parent();
            Vector2i origin = parent ? parent->absolutePosition() : Vector2i::Zero();
            ret = mDragWidget->mouseDragEvent(p - origin, rel, mMouseState, mModifiers);
        } else if (mMouseState != 0 && mScreenPress) {
            ret = mouseDragEvent(p, rel, mMouseState, mModifiers);
        }
        if (!ret) ret = mouseMotionEvent(p, rel, mMouseState, mModifiers);
        mMousePos = p;
        return ret;
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        mMousePos = p;
        return false;
    }
}

bool Screen::mouseButtonCallbackEvent(int button, int action, int modifiers) {
    mModifiers = modifiers;
    mLastInteraction = now();
    KeepAlive self(this);
    try {
        if (action == GLFW_PRESS)
            mMouseState |= 1 << button;
        else
            mMouseState &= ~(1 << button);

        Widget* dropWidget = findWidget(mMousePos);
        if (mDragActive && mDragWidget && action == GLFW_RELEASE && dropWidget != mDragWidget) {
            ref<Widget> drag = mDragWidget;
            Widget* parent = drag->parent();
            Vector2i origin = parent ? parent->absolutePosition() : Vector2i::Zero();
            drag->mouseButtonEvent(mMousePos - origin, button, false, modifiers);
        }

        if (action == GLFW_PRESS) {
            mScreenPress = (dropWidget == nullptr || dropWidget == this);
            if (button == GLFW_MOUSE_BUTTON_1 || button == GLFW_MOUSE_BUTTON_2) {
                mDragWidget = findWidget(mMousePos);
                if (mDragWidget == this) mDragWidget = nullptr;
                mDragActive = mDragWidget != nullptr;
                if (!mDragActive) updateFocus(nullptr);
            }
        } else {
            mDragActive = false;
            mDragWidget = nullptr;
            if (mMouseState == 0) mScreenPress = false;
        }
        return mouseButtonEvent(mMousePos, button, action == GLFW_PRESS, mModifiers);
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        return false;
    }
}

bool Screen::keyCallbackEvent(int key, int scancode, int action, int mods) {
    mLastInteraction = now();
    KeepAlive self(this);
    try {
        return keyboardEvent(key, scancode, action, mods);
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        return false;
    }
}

bool Screen::charCallbackEvent(unsigned int codepoint) {
    mLastInteraction = now();
    KeepAlive self(this);
    try {
        return keyboardCharacterEvent(codepoint);
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        return false;
    }
}

bool Screen::dropCallbackEvent(int count, const char** filenames) {
    std::vector<std::string> arg((size_t)std::max(count, 0));
    for (int i = 0; i < count; ++i) arg[(size_t)i] = filenames[i] ? filenames[i] : "";
    KeepAlive self(this);
    try {
        return dropEvent(arg);
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        return false;
    }
}

bool Screen::scrollCallbackEvent(double x, double y) {
    mLastInteraction = now();
    KeepAlive self(this);
    try {
        return scrollEvent(mMousePos, Vector2f((float)x, (float)y));
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        return false;
    }
}

bool Screen::resizeCallbackEvent(int width, int height) {
    if (mGLFWWindow) {
        refreshSizes();
    } else {
        mSize = Vector2i(width, height);
        mFBSize = (mSize.cast<float>() * mPixelRatio).cast<int>();
    }
    if (mFBSize.x() == 0 || mFBSize.y() == 0) return false;
    mLastInteraction = now();
    KeepAlive self(this);
    try {
        return resizeEvent(mSize);
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in event handler: " << e.what() << std::endl;
        return false;
    }
}

}  // namespace nanogui
