// Operating-system services of the viewer: the fatal-error exit, child
// processes with piped standard streams, and the per-user data directory.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace druvex {

// Writes "<function> failed with error <errno>: <text>" to standard error and
// the "console" logger, then ends the process with exit code 1.
[[noreturn]] void report_last_error_and_exit(const char* function_name);

// Starts <command_line> through /bin/sh. Its standard output and error share
// the pipe whose read end lands in *stdout_read; its standard input is the
// pipe whose write end lands in *stdin_write. The child and all it starts
// live no longer than the calling thread: when that thread or the whole
// program ends, even killed, they are ended too. False when the pipes cannot
// be made; a failed start is fatal.
bool create_child_process(const char* command_line, int* stdout_read, int* stdin_write,
                          pid_t* child_pid);
// Asks the child and everything it started to end (SIGTERM, then SIGKILL
// after two seconds) and reaps it.
void end_child_process(pid_t child_pid);

namespace OsHelper {
// Reads at most size - 1 bytes (room for the caller's terminator); 0 = end of data.
uint32_t read_from_pipe(int pipe, char* buffer, uint32_t size);
}  // namespace OsHelper

// The directory of the default settings files, always ending with "/";
// `create` makes it (with parents) and the sub-directory.
std::string get_data_directory(const std::string& sub_path, bool create);

}  // namespace druvex
