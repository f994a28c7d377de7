// The viewer program started as a user starts it, for end-to-end tests: its
// settings under a home folder of the test's own, its output in a file there.
#pragma once

#include "process_runner.h"
#include "wait.h"

#include <signal.h>

#include <cstddef>
#include <string>
#include <vector>

namespace druvex::testing {

class ViewerProcess {
public:
    // The built viewer.
    static std::string program();

    // Starts it on the current display with `args`; its output goes to
    // `home`/`name`.txt. With `appdata` empty the settings live in
    // `home`/.config/druvex.
    ViewerProcess(const std::string& home, const std::string& name,
                  const std::vector<std::string>& args = {}, const std::string& appdata = "");
    // Kills a viewer that was not stopped.
    ~ViewerProcess();
    ViewerProcess(const ViewerProcess&) = delete;
    ViewerProcess& operator=(const ViewerProcess&) = delete;

    bool started() const { return child_.pid > 0; }
    pid_t pid() const { return child_.pid; }
    // The X window id once its window shows; "" when it did not in time.
    std::string wait_for_window(double timeout_sec = generous_seconds);
    // Sends `signal` and returns the exit code; -1 when it did not end
    // within `timeout_sec`.
    int stop(int signal = SIGTERM, double timeout_sec = generous_seconds);
    // The most memory it has held so far (resident, in bytes); 0 when unknown.
    size_t peak_memory() const;
    // Its standard output and error so far.
    std::string output() const { return read_file(child_.output_path); }

private:
    ChildProcess child_;
};

}  // namespace druvex::testing
