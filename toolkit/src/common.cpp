// Toolkit start-up, the main loop and its refresh thread.
#include <nanogui/opengl.h>
#include <nanogui/screen.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <iostream>
#include <mutex>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace nanogui {

Object::~Object() = default;

namespace {
std::atomic<bool> gMainloopActive{false};
std::atomic<bool> gGlfwUp{false};
std::mutex gHookMutex;
FileDialogHook gFileDialogHook;
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

void set_file_dialog_hook(FileDialogHook hook) {
    std::lock_guard<std::mutex> lock(gHookMutex);
    gFileDialogHook = std::move(hook);
}

namespace {

bool findInPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string p = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= p.size()) {
        size_t end = p.find(':', start);
        if (end == std::string::npos) end = p.size();
        std::string dir = p.substr(start, end - start);
        if (dir.empty()) dir = ".";
        std::string full = dir + "/" + program;
        if (access(full.c_str(), X_OK) == 0) return true;
        start = end + 1;
    }
    return false;
}

std::string shellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'')
            out += "'\\''";
        else
            out += c;
    }
    return out + "'";
}

void closeTiedReadPipe(FILE* output, pid_t pid) {
    if (output != nullptr) fclose(output);
    while (pid > 0 && waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {}
}

// popen(command, "r") for a dialog that must not outlive the program: the
// shell is replaced by the command, which is ended when the calling thread or
// the whole program ends, even by SIGKILL.
FILE* openTiedReadPipe(const std::string& command, pid_t* pid) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return nullptr;
    std::string script = "exec " + command;
    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    char* argv[] = {sh, dashC, script.data(), nullptr};
    const pid_t parent = getpid();
    *pid = fork();
    if (*pid == 0) {  // only async-signal-safe calls until exec
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        dup2(fds[1], STDOUT_FILENO);
        execve("/bin/sh", argv, environ);
        _exit(127);
    }
    close(fds[1]);
    FILE* output = *pid > 0 ? fdopen(fds[0], "r") : nullptr;
    if (output == nullptr) {
        close(fds[0]);
        if (*pid > 0) kill(*pid, SIGKILL);
        closeTiedReadPipe(nullptr, *pid);
    }
    return output;
}

std::string zenityDialog(const FileTypes& filetypes, bool save) {
    if (!findInPath("zenity")) {
        std::cerr << "file_dialog: zenity is not installed; no file chosen" << std::endl;
        return "";
    }
    std::string cmd = "zenity --file-selection";
    if (save) cmd += " --save --confirm-overwrite";
    for (const auto& ft : filetypes) {
        std::string filter = ft.second + " (*." + ft.first + ") | *." + ft.first;
        cmd += " --file-filter=" + shellQuote(filter);
    }
    cmd += " 2>/dev/null";
    pid_t pid = -1;
    FILE* output = openTiedReadPipe(cmd, &pid);
    if (!output) {
        std::cerr << "file_dialog: cannot start zenity" << std::endl;
        return "";
    }
    std::string result;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), output)) > 0) result.append(buffer, n);
    closeTiedReadPipe(output, pid);
    while (!result.empty() && (result.back() == '\n' || result.back() == '\r')) result.pop_back();
    return result;
}

}  // namespace

std::string file_dialog(const FileTypes& filetypes, bool save) {
    FileDialogHook hook;
    {
        std::lock_guard<std::mutex> lock(gHookMutex);
        hook = gFileDialogHook;
    }
    std::string result = hook ? hook(filetypes, save) : zenityDialog(filetypes, save);
    // The modal dialog swallowed the button release: resynchronise.
    for (Screen* screen : Screen::screens()) screen->resyncMouseState();
    return result;
}

}  // namespace nanogui
