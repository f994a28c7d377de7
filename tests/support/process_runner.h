// Child processes of tests: the built programs, the tools tests drive them
// with (xdotool, ImageMagick, capinfos), and the sample capture.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>
#include <vector>

namespace druvex::testing {

std::string binary_dir();
bool executable_exists(const std::string& path);

struct ChildProcess {
    pid_t pid = -1;
    std::string output_path;  // standard output and error
};

// `env` entries replace or (with an empty value) remove variables.
ChildProcess start_process(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& env,
                           const std::string& output_path);
// The exit code, 128 + signal when killed, -1 when it did not end in time
// (the process is then killed).
int wait_for_exit(ChildProcess& child, double timeout_sec);
// Whether `pid` runs: false once it is gone or a zombie nobody reaped yet.
bool process_running(pid_t pid);
std::string read_file(const std::string& path);
// Runs to completion; returns the exit code and fills `output`.
int run_process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                std::string& output, double timeout_sec = 20.0);
std::string make_temp_dir();
// The names in `dir` but those that start with '.', sorted.
std::vector<std::string> names_in(const std::string& dir);
// The generator of the sample capture of two simulated sensors.
std::string sample_capture_maker();
// A sample capture `seconds` long in a new temporary folder; empty when the
// generator fails, whose output is then in `output`.
std::string make_sample_capture(int seconds, std::string& output);

}  // namespace druvex::testing
