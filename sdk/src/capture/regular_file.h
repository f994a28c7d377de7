// Opening paths that must name regular files, and the texts that say why a
// file could not be used.
#pragma once

#include <string>

namespace druvex_sdk {

// Opens `path` with the given open(2) flags and gives the descriptor, or -1
// with `reason` telling why. Anything that is not a regular file (a named
// pipe, a directory, a device) is refused at once: it is never waited on,
// read from, written to or truncated.
int open_regular_file(const std::string& path, int flags, std::string& reason);

// The operating system's text for an error number.
std::string system_error_text(int error_number);

// "<path>: <reason>", the detail of every error about a file.
std::string file_error_text(const std::string& path, const std::string& reason);

}  // namespace druvex_sdk
