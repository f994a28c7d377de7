// Replacing a user's file without ever losing it: atomic writes, the files
// recordings are written into, setting aside a file the program cannot read,
// and the reasons file operations fail.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace druvex {

// Writes `text` to a temporary file "<path>.tmp-<pid>-<n>" in the folder of
// `path`, flushes it to the disk and renames it over `path`, so that a crash
// or a kill at any moment leaves either the old file or the new one, whole.
// A symbolic link is followed, also one whose file does not exist yet: the
// file it names is written and the link stays. The new file keeps the
// permissions and (where the user may set it) the group of the one it
// replaces. A write-protected file is not replaced (errno EACCES), nor is
// anything but a regular file (errno EPERM; see write_failure_reason). False,
// with `path` untouched and no temporary file left, when any step fails (the
// folder must exist).
bool write_file_atomically(const std::string& path, const std::string& text);

// Whether `path` exists and its user may not write it: for the file's owner,
// the owner's write permission is off (chmod a-w); for others, the system
// refuses.
bool is_write_protected(const std::string& path);

// Deletes the temporary files that saves of `path` (see
// write_file_atomically) left behind when their process was killed: those
// whose process no longer runs. Returns their paths.
std::vector<std::string> remove_leftover_temporaries(const std::string& path);

// The one rule of every file the viewer writes: a write may go to `path`
// when it (for a symbolic link, the file at the link's end) is a regular file
// or does not exist yet. A named pipe, a device, a directory or a socket is
// never renamed, replaced, removed or written. "" when the write may go
// ahead, else why not: "not a regular file (a character device)" and the
// like, or the system's reason for a link that cannot be followed.
std::string why_not_replaceable(const std::string& path);

// Whether a save may replace `path` (see why_not_replaceable).
bool is_replaceable(const std::string& path);

// Removes `path` when it is a regular file or a symbolic link, the stale
// companion of a file just replaced; anything else there is left as it is,
// for the write that follows to refuse. False with the reason when the
// removal failed.
bool remove_stale_file(const std::string& path, std::string* reason);

// Renames `path` to "<stem>.<why>-<YYYYMMDD-HHMMSS><extension>" beside it
// (with "-2", "-3", ... before the extension when that name is taken) and
// returns the new path; "" when it could not be moved (errno EPERM for what
// is not a regular file). For a symbolic link, the file it names is moved:
// the link stays for the file written next.
std::string set_file_aside(const std::string& path, const std::string& why = "unreadable");

// Makes the empty file a recording is written into, under its final name
// from the start, so that a crash leaves what was written where the user
// looks for it. With `replace` an existing file (the user agreed to replace
// it) gives way at once, atomically, and a link's target is the file
// replaced; without it an existing file is left alone and this fails. What
// is not replaceable (see why_not_replaceable) is refused either way. False
// with the reason when no file was made.
bool create_recording_file(const std::string& path, bool replace, std::string* reason);

// Opens a new empty file for writing at `path`, a name the program chose
// itself (a side file beside the user's file): it is made under a temporary
// name beside `path` and renamed in, so a symbolic link at `path` is
// replaced, never followed; but what is not replaceable (see
// why_not_replaceable), also at the link's end, is refused. Without
// `replace` anything already at `path` is left alone and this fails. The
// open descriptor, or -1 with the reason.
int create_side_file(const std::string& path, bool replace, std::string* reason);

// Reads the whole of the regular file `path` into `text`, never waiting on
// what is not one (a named pipe is not opened for reading at all). False with
// `reason` telling why: the system's reason, "not a regular file (a named
// pipe)" and the like, or "too large (…)" for a file of more than
// `max_bytes`, which is not read.
bool read_regular_file(const std::string& path, size_t max_bytes, std::string& text,
                       std::string& reason);

// The text of an errno value, "unknown error" for 0.
std::string error_text(int error);
// Why `path` cannot be read: the system's reason, or "not a valid file" when
// it can be opened (its content was the trouble).
std::string read_failure_reason(const std::string& path);
// Why a save of `path` failed with `error`: why_not_replaceable's reason
// when it is not replaceable, else the text of `error`.
std::string write_failure_reason(const std::string& path, int error);

}  // namespace druvex
