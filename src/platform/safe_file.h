// Replacing a user's file without ever losing it: atomic writes, and setting
// aside a file the program cannot read before anything takes its place.
#pragma once

#include <string>

namespace druvex {

// Writes `text` to a temporary file in the folder of `path`, flushes it to the
// disk and renames it over `path`, so that a crash or a kill at any moment
// leaves either the old file or the new one, whole. A symbolic link is
// followed: the file it names is replaced and the link stays. False, with
// `path` untouched and no temporary file left, when any step fails (the
// folder must exist).
bool write_file_atomically(const std::string& path, const std::string& text);

// Renames `path` to "<stem>.unreadable-<YYYYMMDD-HHMMSS><extension>" beside it
// (with "-2", "-3", ... before the extension when that name is taken) and
// returns the new path; "" when it could not be moved.
std::string set_file_aside(const std::string& path);

}  // namespace druvex
