// Fatal errors, the data and home directories, and child processes with pipes.
#include "os_helper.h"

#include "path_utils.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <spdlog/spdlog.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace druvex {

void report_last_error_and_exit(const char* function_name) {
    const int error = errno;
    char text[512];
    std::snprintf(text, sizeof text, "%s failed with error %d: %s", function_name, error,
                  std::strerror(error));
    std::fprintf(stderr, "Error: %s\n", text);
    if (auto console = spdlog::get("console")) {
        console->error("{}", text);
        console->flush();
    }
    std::exit(1);
}

namespace {

void close_fds(std::initializer_list<int> fds) {
    for (int fd : fds) {
        if (fd >= 0) ::close(fd);
    }
}

// The shell that runs a child's command line. It starts the command in the
// background with its own standard input, waits for it and passes its exit
// status on; a hang-up, which is what it gets when the viewer ends however it
// ends, ends the whole process group with it, including whatever the command
// started itself.
constexpr char child_shell_script[] =
    "trap 'kill -KILL 0' HUP; exec 3<&0; eval \"$0\" <&3 3<&- & wait $!";

// Runs in the new child between fork and exec, where only async-signal-safe
// calls may be made (the viewer has other threads).
[[noreturn]] void exec_child_shell(pid_t parent, int output, int input, char* const argv[]) {
    // A group of its own, so ending it also ends what the shell started.
    ::setpgid(0, 0);
    // The signal comes when the thread that started the child ends, or the
    // whole viewer, even by SIGKILL.
    ::prctl(PR_SET_PDEATHSIG, SIGHUP);
    if (::getppid() != parent) ::_exit(127);  // the viewer ended before the tie was made
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    for (int number : {SIGHUP, SIGINT, SIGTERM, SIGPIPE}) ::signal(number, SIG_DFL);
    ::dup2(output, STDOUT_FILENO);
    ::dup2(output, STDERR_FILENO);
    ::dup2(input, STDIN_FILENO);
    ::execve("/bin/sh", argv, environ);
    ::_exit(127);
}

}  // namespace

bool create_child_process(const char* command_line, int* stdout_read, int* stdin_write,
                          pid_t* child_pid) {
    int out_pipe[2] = {-1, -1};
    int in_pipe[2] = {-1, -1};
    if (::pipe2(out_pipe, O_CLOEXEC) != 0) return false;
    if (::pipe2(in_pipe, O_CLOEXEC) != 0) {
        close_fds({out_pipe[0], out_pipe[1]});
        return false;
    }
    char sh[] = "/bin/sh";
    char dash_c[] = "-c";
    std::string script(child_shell_script);
    std::string command(command_line != nullptr ? command_line : "");
    char* argv[] = {sh, dash_c, script.data(), command.data(), nullptr};
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) exec_child_shell(parent, out_pipe[1], in_pipe[0], argv);
    const int fork_error = errno;
    // The child's ends belong to the child alone, so end of data reaches us.
    close_fds({out_pipe[1], in_pipe[0]});
    if (pid < 0) {
        close_fds({out_pipe[0], in_pipe[1]});
        errno = fork_error;
        report_last_error_and_exit("druvex::create_child_process");
    }
    *stdout_read = out_pipe[0];
    *stdin_write = in_pipe[1];
    if (child_pid != nullptr) *child_pid = pid;
    return true;
}

namespace {

// Waits at most `timeout_ms` for the child to end. It is not reaped here, so
// its process group id cannot have been given to another process meanwhile.
void wait_for_end(pid_t child_pid, int timeout_ms) {
    for (int waited = 0;; waited += 10) {
        siginfo_t info{};
        const int r =
            ::waitid(P_PID, static_cast<id_t>(child_pid), &info, WEXITED | WNOHANG | WNOWAIT);
        if (r != 0 && errno != EINTR) return;  // not our child (any more)
        if ((r == 0 && info.si_pid == child_pid) || waited >= timeout_ms) return;
        ::usleep(10000);
    }
}

}  // namespace

void end_child_process(pid_t child_pid) {
    if (child_pid <= 0) return;
    ::kill(-child_pid, SIGTERM);
    wait_for_end(child_pid, 2000);
    ::kill(-child_pid, SIGKILL);  // a child that ignored SIGTERM, or what the shell left behind
    int status = 0;
    while (::waitpid(child_pid, &status, 0) < 0 && errno == EINTR) {}
}

uint32_t OsHelper::read_from_pipe(int pipe, char* buffer, uint32_t size) {
    if (size <= 1) return 0;
    for (;;) {
        const ssize_t n = ::read(pipe, buffer, size - 1);
        if (n >= 0) return static_cast<uint32_t>(n);
        if (errno != EINTR) report_last_error_and_exit("druvex::OsHelper::read_from_pipe");
    }
}

namespace {

const char* nonempty_env(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] != '\0') ? value : nullptr;
}

std::string with_slash(std::string path) { return ensure_suffix(path, "/"); }

std::string data_directory_base() {
    if (const char* appdata = nonempty_env("APPDATA")) return with_slash(appdata) + "druvex/";
    if (const char* xdg = nonempty_env("XDG_CONFIG_HOME")) return with_slash(xdg) + "druvex/";
    try {
        return with_slash(get_home_directory()) + ".config/druvex/";
    } catch (const std::exception&) {
        return "druvex/";  // no home at all: beside the working directory
    }
}

void make_directories(const std::string& path) {
    for (size_t pos = path.find('/', 1); pos != std::string::npos; pos = path.find('/', pos + 1)) {
        ::mkdir(path.substr(0, pos).c_str(), 0755);  // an existing directory is no error
    }
}

}  // namespace

std::string get_data_directory(const std::string& sub_path, bool create) {
    std::string path = data_directory_base();
    if (!sub_path.empty()) path += sub_path + "/";
    if (create) make_directories(path);
    return path;
}

}  // namespace druvex
