// The file dialog: zenity run by a worker thread, its answer handed to the
// GUI thread at the start of the next frame.
#include <nanogui/file_dialog.h>
#include <nanogui/opengl.h>
#include <nanogui/screen.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <thread>

extern char** environ;

namespace nanogui {
namespace {

struct DialogState {
    std::mutex mutex;
    FileDialogHook hook;
    std::thread worker;
    bool open = false;       // a request was accepted and not yet answered
    bool finished = false;   // the worker has left its answer
    bool cancelled = false;  // the dialog is to go without an answer
    pid_t pid = -1;          // the dialog's process (and group) while it runs
    FileDialogAnswer answer;
    FileDialogCallback on_answer;
};

// Never destroyed: a worker may still be reading when the process exits.
DialogState& state() {
    static DialogState* s = new DialogState();
    return *s;
}

std::vector<std::string> zenity_arguments(const FileTypes& filetypes, bool save) {
    std::vector<std::string> args = {"zenity", "--file-selection"};
    if (save) {
        args.push_back("--save");
        args.push_back("--confirm-overwrite");
    }
    for (const auto& ft : filetypes) {
        args.push_back("--file-filter=" + ft.second + " (*." + ft.first + ") | *." + ft.first);
    }
    return args;
}

// Starts the dialog in a process group of its own (so that cancelling ends
// whatever it started too) with its standard output on `out`. The dialog is
// tied to the worker thread that starts it and waits for it: should the
// program die, even by SIGKILL, the dialog goes too. Between fork and exec
// only async-signal-safe calls.
pid_t spawn_dialog(const std::vector<std::string>& args, int out, int* error) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int report[2];  // carries exec's errno back; closed on a successful exec
    if (::pipe2(report, O_CLOEXEC) != 0) {
        *error = errno;
        return -1;
    }
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::setpgid(0, 0);
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        const int null_in = ::open("/dev/null", O_RDONLY);
        const int null_out = ::open("/dev/null", O_WRONLY);
        ::dup2(null_in, 0);
        ::dup2(out, 1);
        ::dup2(null_out, 2);
        ::execvp(argv[0], argv.data());
        const int failure = errno;
        (void)!::write(report[1], &failure, sizeof failure);
        ::_exit(127);
    }
    ::close(report[1]);
    *error = pid < 0 ? errno : 0;
    if (pid > 0) {
        int failure = 0;
        ssize_t n;
        while ((n = ::read(report[0], &failure, sizeof failure)) < 0 && errno == EINTR) {}
        if (n == sizeof failure) {
            ::waitpid(pid, nullptr, 0);
            *error = failure;
        }
    }
    ::close(report[0]);
    return *error == 0 ? pid : -1;
}

// Records the running dialog; false when it was cancelled meanwhile (it is
// then ended at once).
bool register_dialog(pid_t pid) {
    DialogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.cancelled) {
        ::kill(-pid, SIGKILL);
        return false;
    }
    s.pid = pid;
    return true;
}

std::string read_all(int fd) {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            text.append(buffer, size_t(n));
        } else if (n == 0 || errno != EINTR) {
            return text;
        }
    }
}

int wait_for(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
    return status;
}

FileDialogAnswer zenity_answer(const FileTypes& filetypes, bool save) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return {"", std::strerror(errno)};
    int error = 0;
    const pid_t pid = spawn_dialog(zenity_arguments(filetypes, save), pipe_fds[1], &error);
    ::close(pipe_fds[1]);
    if (pid < 0) {
        ::close(pipe_fds[0]);
        if (error == ENOENT) return {"", "zenity is not installed"};
        return {"", std::string("zenity could not be started: ") + std::strerror(error)};
    }
    register_dialog(pid);
    std::string path = read_all(pipe_fds[0]);
    ::close(pipe_fds[0]);
    const int status = wait_for(pid);
    while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {path, ""};
    // 1 is the user's Cancel; a signal is ours (cancel_file_dialog).
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 1) return {};
    return {"", "zenity ended with status " + std::to_string(WEXITSTATUS(status))};
}

void run_dialog(FileTypes filetypes, bool save) {
    FileDialogAnswer answer = zenity_answer(filetypes, save);
    DialogState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.pid = -1;
        s.answer = std::move(answer);
        s.finished = true;
    }
    // Wakes the main loop, which waits for events, to deliver the answer.
    glfwPostEmptyEvent();
}

void resync_screens() {
    for (Screen* screen : Screen::screens()) screen->resyncMouseState();
}

}  // namespace

void set_file_dialog_hook(FileDialogHook hook) {
    DialogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.hook = std::move(hook);
}

bool file_dialog_async(const FileTypes& filetypes, bool save, FileDialogCallback on_answer) {
    DialogState& s = state();
    std::unique_lock<std::mutex> lock(s.mutex);
    if (s.open) return false;
    if (s.hook) {
        const FileDialogHook hook = s.hook;
        lock.unlock();
        const FileDialogAnswer answer{hook(filetypes, save), ""};
        resync_screens();
        if (on_answer) on_answer(answer);
        return true;
    }
    s.open = true;
    s.finished = false;
    s.cancelled = false;
    s.on_answer = std::move(on_answer);
    s.worker = std::thread(run_dialog, filetypes, save);
    return true;
}

bool file_dialog_open() {
    DialogState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.open;
}

void deliver_file_dialog_answer() {
    DialogState& s = state();
    FileDialogAnswer answer;
    FileDialogCallback on_answer;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.open || !s.finished) return;
        answer = std::move(s.answer);
        on_answer = std::move(s.on_answer);
        s.open = false;
        s.finished = false;
    }
    // The worker has left its answer; all that is left of it is waking the loop.
    if (s.worker.joinable()) s.worker.join();
    resync_screens();
    if (on_answer) on_answer(answer);
}

void cancel_file_dialog() {
    DialogState& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.open) return;
        s.cancelled = true;
        if (s.pid > 0) ::kill(-s.pid, SIGKILL);
    }
    if (s.worker.joinable()) s.worker.join();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.open = false;
    s.finished = false;
    s.answer = FileDialogAnswer();
    s.on_answer = nullptr;
}

}  // namespace nanogui
