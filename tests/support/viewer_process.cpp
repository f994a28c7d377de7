// The viewer program run as a user runs it.
#include "viewer_process.h"

#include <map>
#include <sstream>

namespace druvex::testing {

std::string ViewerProcess::program() { return binary_dir() + "/bin/druvex_viewer"; }

ViewerProcess::ViewerProcess(const std::string& home, const std::string& name,
                             const std::vector<std::string>& args, const std::string& appdata) {
    // The GL driver is unloaded before the leak check runs, so its own
    // allocations can be neither attributed nor suppressed: no leak check in
    // the viewer process (the frame path's leaks are checked by its own tests).
    const std::map<std::string, std::string> env = {
        {"HOME", home},
        {"APPDATA", appdata},
        {"XDG_CONFIG_HOME", ""},
        {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}};
    std::vector<std::string> argv = {program()};
    argv.insert(argv.end(), args.begin(), args.end());
    child_ = start_process(argv, env, home + "/" + name + ".txt");
}

ViewerProcess::~ViewerProcess() {
    if (started()) stop(SIGKILL);
}

std::string ViewerProcess::wait_for_window(double timeout_sec) {
    const std::vector<std::string> search = {"/usr/bin/xdotool", "search", "--onlyvisible", "--pid",
                                             std::to_string(child_.pid)};
    std::string window;
    wait_until(
        [&] {
            std::string found;
            if (!started() || run_process(search, {}, found, 10.0) != 0) return false;
            window = found.substr(0, found.find('\n'));
            return !window.empty();
        },
        timeout_sec);
    return window;
}

int ViewerProcess::stop(int signal, double timeout_sec) {
    if (!started()) return -1;
    ::kill(child_.pid, signal);
    return wait_for_exit(child_, timeout_sec);
}

size_t ViewerProcess::peak_memory() const {
    std::istringstream status(read_file("/proc/" + std::to_string(child_.pid) + "/status"));
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, 6, "VmHWM:") == 0) return std::stoul(line.substr(6)) * 1024;  // kB
    }
    return 0;
}

}  // namespace druvex::testing
