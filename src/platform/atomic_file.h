// Files that replace their target only once they are complete: written under
// a temporary name in the target's folder, then synced and renamed over it.
#pragma once

#include <functional>
#include <ostream>
#include <string>

namespace druvex {

// Creates an empty temporary file beside `path` and returns its name, or ""
// with the reason when the folder cannot take it.
std::string create_temporary_beside(const std::string& path, std::string* reason);
// Syncs `temporary` and renames it to `path`. On failure the temporary file is
// left where it is (it may hold the only copy of what was written).
bool replace_with_temporary(const std::string& temporary, const std::string& path,
                            std::string* reason);
void discard_temporary(const std::string& temporary);
// Writes a whole file through `write` (false = give up) beside `path` and
// puts it under `path` once complete; a failure leaves `path` as it was.
bool write_replacing(const std::string& path, const std::function<bool(std::ostream&)>& write,
                     std::string* reason);

// The text of an errno value, "unknown error" for 0.
std::string error_text(int error);
// Why `path` cannot be read: the system's reason, or "not a valid file" when
// it can be opened (its content was the trouble).
std::string read_failure_reason(const std::string& path);

}  // namespace druvex
