// A stand-in for the file dialog program: a `zenity` first on PATH that notes
// how it was started, then waits until the test gives it an answer.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace druvex_test {

class StandInZenity {
public:
    StandInZenity() {
        char name[] = "/tmp/druvex_dialog_XXXXXX";
        dir_ = ::mkdtemp(name);
        const std::string d = "'" + dir_ + "/";
        std::ofstream(dir_ + "/zenity")
            << "#!/bin/sh\n"
            << "echo $$ > " << d << "pid'\n"
            << "echo \"$@\" >> " << d << "args'\n"
            << "while [ ! -e " << d << "answer' ]; do sleep 0.02; done\n"
            << "cat " << d << "answer'\n"
            << "rm -f " << d << "answer'\n";
        ::chmod((dir_ + "/zenity").c_str(), 0755);
        const char* path = std::getenv("PATH");
        saved_path_ = path != nullptr ? path : "/usr/bin:/bin";
        ::setenv("PATH", (dir_ + ":" + saved_path_).c_str(), 1);
    }
    ~StandInZenity() {
        ::setenv("PATH", saved_path_.c_str(), 1);
        std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    StandInZenity(const StandInZenity&) = delete;
    StandInZenity& operator=(const StandInZenity&) = delete;

    // The open dialog chooses `path` (an empty line: cancelled).
    void answer(const std::string& path) { std::ofstream(dir_ + "/answer") << path << "\n"; }
    // The arguments of every dialog started so far, one line each.
    std::vector<std::string> starts() const {
        std::ifstream in(dir_ + "/args");
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The process of the last dialog started.
    pid_t pid() const {
        std::ifstream in(dir_ + "/pid");
        pid_t pid = -1;
        in >> pid;
        return pid;
    }

private:
    std::string dir_;
    std::string saved_path_;
};

}  // namespace druvex_test
