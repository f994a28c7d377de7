// Replacing a user's file without ever losing it: atomic writes, the files
// recordings are written into, setting aside a file the program cannot read,
// and the reasons file operations fail.
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

// Makes the empty file a recording is written into, under its final name
// from the start, so that a crash leaves what was written where the user
// looks for it. With `replace` an existing file (the user agreed to replace
// it) gives way at once, atomically, and a link's target is the file
// replaced; without it an existing file is left alone and this fails. False
// with the reason when no file was made.
bool create_recording_file(const std::string& path, bool replace, std::string* reason);

// The text of an errno value, "unknown error" for 0.
std::string error_text(int error);
// Why `path` cannot be read: the system's reason, or "not a valid file" when
// it can be opened (its content was the trouble).
std::string read_failure_reason(const std::string& path);

}  // namespace druvex
