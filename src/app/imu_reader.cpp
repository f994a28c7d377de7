// The demo input's child process and the thread that drains its output.
#include "imu_reader.h"

#include "platform/os_helper.h"

#include <unistd.h>

namespace druvex {

void ImuReader::start(const std::string& command_line) {
    stop();
    std::lock_guard<std::mutex> lock(mutex_);
    int stdout_read = -1;
    // exec: the shell becomes the command, so ending the child ends the command.
    if (!create_child_process(("exec " + command_line).c_str(), &stdout_read, &stdin_write_,
                              &child_)) {
        return;
    }
    stop_ = false;
    running_ = true;
    thread_ = std::thread([this, stdout_read] { read_loop(stdout_read); });
}

void ImuReader::read_loop(int pipe) {
    char buffer[4096];
    while (!stop_ && OsHelper::read_from_pipe(pipe, buffer, sizeof buffer) > 0) {}
    ::close(pipe);
    running_ = false;
}

void ImuReader::stop() {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    // Ending the child closes its end of the pipe, which wakes the reader.
    end_child_process(child_);
    child_ = -1;
    if (thread_.joinable()) thread_.join();
    if (stdin_write_ >= 0) ::close(stdin_write_);
    stdin_write_ = -1;
    running_ = false;
}

bool ImuReader::is_running() { return running_; }

}  // namespace druvex
