// Replacing a user's file without ever losing it: atomic writes, files that
// are written over time and replace their target when complete, setting aside
// a file the program cannot read, and the reasons file operations fail.
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

// Renames `path` to "<stem>.<why>-<YYYYMMDD-HHMMSS><extension>" beside it
// (with "-2", "-3", ... before the extension when that name is taken) and
// returns the new path; "" when it could not be moved.
std::string set_file_aside(const std::string& path, const std::string& why = "unreadable");

// For a file written over time (a recording): creates an empty temporary
// file beside `path` and returns its name, or "" with the reason.
std::string create_temporary_beside(const std::string& path, std::string* reason);
// Syncs `temporary` and renames it over `path`. On failure the temporary file
// stays where it is: it may hold the only copy of what was written.
bool replace_with_temporary(const std::string& temporary, const std::string& path,
                            std::string* reason);
void discard_temporary(const std::string& temporary);

// The text of an errno value, "unknown error" for 0.
std::string error_text(int error);
// Why `path` cannot be read: the system's reason, or "not a valid file" when
// it can be opened (its content was the trouble).
std::string read_failure_reason(const std::string& path);

}  // namespace druvex
