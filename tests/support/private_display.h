// A virtual X display of a test's own.
#pragma once

#include <sys/types.h>

#include <string>

namespace druvex::testing {

// An Xvfb server that only this test uses (DISPLAY points at it while it
// lives), so that no other test's window takes its input or shows in its
// screenshots. The server ends with this object, or with the process should
// the test crash.
class PrivateDisplay {
public:
    // Writes the server's output to `log_path`; `screen` is WIDTHxHEIGHT.
    explicit PrivateDisplay(const std::string& log_path, const std::string& screen = "1024x768");
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    bool ok() const { return !name_.empty(); }
    // ":N", or empty when no server came up.
    const std::string& name() const { return name_; }

private:
    bool start(int number, const std::string& screen, int log);

    pid_t server_ = -1;
    std::string name_;
    std::string saved_;
    bool had_display_ = false;
};

// One private display (1280x1024) for every test of the program, started by
// the first test that asks and ended after the last test: the window system
// stays connected to its display until the process ends. Null when no server
// came up.
const PrivateDisplay* program_display();

}  // namespace druvex::testing
