// A virtual X display of a test's own.
#include "private_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace druvex::testing {

namespace {

// Whether a client can connect to display `number` through its local socket.
bool accepts_clients(int number) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

class ProgramDisplay : public ::testing::Environment {
public:
    const PrivateDisplay* get() {
        if (!display_) display_ = std::make_unique<PrivateDisplay>("/dev/null", "1280x1024");
        return display_->ok() ? display_.get() : nullptr;
    }
    void TearDown() override { display_.reset(); }

private:
    std::unique_ptr<PrivateDisplay> display_;
};

}  // namespace

const PrivateDisplay* program_display() {
    static ProgramDisplay* const environment = [] {
        auto* e = new ProgramDisplay();
        ::testing::AddGlobalTestEnvironment(e);
        return e;
    }();
    return environment->get();
}

PrivateDisplay::PrivateDisplay(const std::string& log_path, const std::string& screen) {
    const int log = ::open(log_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    // With an automatic number (-displayfd alone), servers started side by
    // side probe numbers by making sockets before they take the lock file,
    // and one can unlink another's socket. With an explicit number the server
    // that does not get the number exits without touching the holder's
    // socket, so each test process tries its own run of numbers.
    const int first = 100 + static_cast<int>(::getpid() % 800);
    for (int number = first; number < first + 30 && !ok(); ++number) start(number, screen, log);
    if (log >= 0) ::close(log);
    if (!ok()) return;
    if (const char* display = std::getenv("DISPLAY")) {
        had_display_ = true;
        saved_ = display;
    }
    ::setenv("DISPLAY", name_.c_str(), 1);
}

bool PrivateDisplay::start(int number, const std::string& screen, int log) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0) return false;
    // Without -noreset the server resets when its last client leaves, such as
    // the readiness check below, and drops a client that connects meanwhile.
    std::vector<std::string> args = {"/usr/bin/Xvfb", ":" + std::to_string(number),
                                     "-screen",       "0",
                                     screen + "x24",  "-nolisten",
                                     "tcp",           "-noreset",
                                     "-displayfd",    "3"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    // Everything the child needs is made before the fork: after it, only
    // async-signal-safe calls.
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        // A test that crashes or is killed takes its display with it.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(1);
        ::dup2(ready[1], 3);  // dup2 clears close-on-exec on the copy
        if (log >= 0) {
            ::dup2(log, STDOUT_FILENO);
            ::dup2(log, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(ready[1]);
    if (pid < 0) {
        ::close(ready[0]);
        return false;
    }
    // The server writes its number once it accepts clients; it exits, and the
    // pipe ends, when another server holds the number.
    std::string written;
    pollfd waiting{ready[0], POLLIN, 0};
    char buffer[16];
    while (written.find('\n') == std::string::npos && ::poll(&waiting, 1, 10000) > 0) {
        const ssize_t n = ::read(ready[0], buffer, sizeof buffer);
        if (n <= 0) break;
        written.append(buffer, static_cast<size_t>(n));
    }
    ::close(ready[0]);
    if (std::atoi(written.c_str()) == number && accepts_clients(number)) {
        server_ = pid;
        name_ = ":" + std::to_string(number);
        return true;
    }
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    return false;
}

PrivateDisplay::~PrivateDisplay() {
    if (had_display_)
        ::setenv("DISPLAY", saved_.c_str(), 1);
    else if (ok())
        ::unsetenv("DISPLAY");
    if (server_ > 0) {
        ::kill(server_, SIGTERM);
        ::waitpid(server_, nullptr, 0);
    }
}

}  // namespace druvex::testing
