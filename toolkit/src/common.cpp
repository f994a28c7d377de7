// Toolkit start-up, the main loop and its refresh thread.
#include <nanogui/file_dialog.h>
#include <nanogui/opengl.h>
#include <nanogui/screen.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <stdexcept>
#include <thread>

namespace nanogui {

Object::~Object() = default;

namespace {
std::atomic<bool> gMainloopActive{false};
std::atomic<bool> gGlfwUp{false};
}  // namespace

void init() {
    glfwSetErrorCallback([](int error, const char* descr) {
        if (error == GLFW_NOT_INITIALIZED) return;  // happens on exit
        std::cerr << "GLFW error " << error << ": " << descr << std::endl;
    });
    if (!glfwInit()) throw std::runtime_error("Could not initialize GLFW!");
    gGlfwUp = true;
    glfwSetTime(0);
}

void shutdown() {
    cancel_file_dialog();  // a dialog does not outlive its program
    glfwTerminate();
    gGlfwUp = false;
}

bool active() { return gMainloopActive; }

void leave() { gMainloopActive = false; }

void mainloop(int refresh) {
    if (gMainloopActive) throw std::runtime_error("Main loop is already running!");
    gMainloopActive = true;

    std::thread refreshThread;
    if (refresh > 0) {
        // The refresh thread only wakes the loop; it touches nothing else.
        refreshThread = std::thread([refresh]() {
            std::chrono::milliseconds period(refresh);
            while (gMainloopActive) {
                std::this_thread::sleep_for(period);
                glfwPostEmptyEvent();
            }
        });
    }

    try {
        while (gMainloopActive) {
            int numScreens = 0;
            for (Screen* screen : Screen::screens()) {
                if (screen->headless() || !screen->visible()) continue;
                if (glfwWindowShouldClose(screen->glfwWindow())) {
                    screen->setVisible(false);
                    continue;
                }
                screen->drawAll();
                numScreens++;
            }
            if (numScreens == 0) {
                gMainloopActive = false;
                break;
            }
            glfwWaitEvents();
        }
        glfwPollEvents();
    } catch (const std::exception& e) {
        std::cerr << "Caught exception in main loop: " << e.what() << std::endl;
        leave();
    }
    gMainloopActive = false;
    if (refreshThread.joinable()) refreshThread.join();
}

std::array<char, 8> utf8(int c) {
    std::array<char, 8> seq{};
    int n = 0;
    if (c < 0x80)
        n = 1;
    else if (c < 0x800)
        n = 2;
    else if (c < 0x10000)
        n = 3;
    else if (c < 0x200000)
        n = 4;
    else if (c < 0x4000000)
        n = 5;
    else
        n = 6;
    seq[n] = '\0';
    switch (n) {
        case 6:
            seq[5] = 0x80 | (c & 0x3f);
            c = c >> 6;
            c |= 0x4000000;
            [[fallthrough]];
        case 5:
            seq[4] = 0x80 | (c & 0x3f);
            c = c >> 6;
            c |= 0x200000;
            [[fallthrough]];
        case 4:
            seq[3] = 0x80 | (c & 0x3f);
            c = c >> 6;
            c |= 0x10000;
            [[fallthrough]];
        case 3:
            seq[2] = 0x80 | (c & 0x3f);
            c = c >> 6;
            c |= 0x800;
            [[fallthrough]];
        case 2:
            seq[1] = 0x80 | (c & 0x3f);
            c = c >> 6;
            c |= 0xc0;
            [[fallthrough]];
        case 1: seq[0] = (char)c;
    }
    return seq;
}

double get_time() {
    static const auto start = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace nanogui
