// Starting the built programs as child processes.
#include "process_runner.h"

#include "wait.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

namespace druvex::testing {

std::string binary_dir() {
    const char* dir = std::getenv("DRUVEX_BINARY_DIR");
    return dir != nullptr ? dir : ".";
}

bool executable_exists(const std::string& path) { return ::access(path.c_str(), X_OK) == 0; }

namespace {

std::vector<std::string> child_environment(const std::map<std::string, std::string>& changes) {
    std::vector<std::string> out;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry(*e);
        const std::string name = entry.substr(0, entry.find('='));
        if (changes.count(name) == 0) out.push_back(entry);
    }
    for (const auto& [name, value] : changes) {
        if (!value.empty()) out.push_back(name + "=" + value);
    }
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& strings) {
    std::vector<char*> out;
    for (std::string& s : strings) out.push_back(s.data());
    out.push_back(nullptr);
    return out;
}

}  // namespace

ChildProcess start_process(const std::vector<std::string>& argv,
                           const std::map<std::string, std::string>& env,
                           const std::string& output_path) {
    std::vector<std::string> args = argv;
    std::vector<std::string> vars = child_environment(env);
    std::vector<char*> arg_ptrs = pointers(args);
    std::vector<char*> env_ptrs = pointers(vars);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output_path.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    ChildProcess child;
    child.output_path = output_path;
    if (::posix_spawn(&child.pid, args[0].c_str(), &actions, nullptr, arg_ptrs.data(),
                      env_ptrs.data()) != 0) {
        child.pid = -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

int wait_for_exit(ChildProcess& child, double timeout_sec) {
    if (child.pid <= 0) return -1;
    int status = 0;
    const bool ended =
        wait_until([&] { return ::waitpid(child.pid, &status, WNOHANG) != 0; }, timeout_sec);
    if (!ended) {
        ::kill(child.pid, SIGKILL);
        ::waitpid(child.pid, &status, 0);
        child.pid = -1;
        return -1;
    }
    child.pid = -1;
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

int run_process(const std::vector<std::string>& argv, const std::map<std::string, std::string>& env,
                std::string& output, double timeout_sec) {
    const std::string path = make_temp_dir() + "/output.txt";
    ChildProcess child = start_process(argv, env, path);
    const int code = wait_for_exit(child, timeout_sec);
    output = read_file(path);
    return code;
}

std::string make_temp_dir() {
    char pattern[] = "/tmp/druvex_viewer_run_XXXXXX";
    const char* dir = ::mkdtemp(pattern);
    return dir != nullptr ? dir : "/tmp";
}

std::vector<std::string> names_in(const std::string& dir) {
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    while (const dirent* e = d != nullptr ? ::readdir(d) : nullptr) {
        if (e->d_name[0] != '.') names.push_back(e->d_name);
    }
    if (d != nullptr) ::closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

std::string sample_capture_maker() {
    return binary_dir() + "/tools/make_sample_capture/make_sample_capture";
}

std::string make_sample_capture(int seconds, std::string& output) {
    const std::string path = make_temp_dir() + "/sample.pcap";
    const int code =
        run_process({sample_capture_maker(), path, std::to_string(seconds)}, {}, output);
    return code == 0 ? path : "";
}

bool process_running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pid_field, name, state;
    return stat >> pid_field >> name >> state && state != "Z";
}

}  // namespace druvex::testing
