// The demo input: a child process whose standard output the viewer drains
// while the demo runs.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace druvex {

class ImuReader {
public:
    ImuReader() = default;
    ImuReader(const ImuReader&) = delete;
    ImuReader& operator=(const ImuReader&) = delete;
    ~ImuReader() { stop(); }

    // Starts `command_line` through the shell and reads its output until it
    // ends or stop() is called.
    void start(const std::string& command_line);
    // Ends the child (if any), joins the reader thread.
    void stop();
    bool is_running();

private:
    void read_loop(int pipe);

    std::mutex mutex_;
    std::thread thread_;
    pid_t child_ = -1;
    int stdin_write_ = -1;
    std::atomic<bool> stop_{false};
    std::atomic<bool> running_{false};
};

}  // namespace druvex
