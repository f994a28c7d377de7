// Finds a settings file beside a capture or in one of its enclosing folders.
#pragma once

#include <string>

namespace druvex {

// `file_name` in `directory`, else in each enclosing folder up to the root;
// "" when none has it. A relative or empty directory counts from the working
// directory, and "." and ".." are resolved first.
std::string find_file_upwards(const std::string& directory, const std::string& file_name);

}  // namespace druvex
