// String and path helpers shared by the viewer's file actions.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace druvex {

extern const char* const path_separator;  // "/" when joining; splitting accepts "/" and "\"
extern const char* const home_prefix;     // "~"

bool ends_with(const std::string& s, const std::string& suffix);
bool starts_with(const std::string& s, const std::string& prefix);
std::string ensure_suffix(const std::string& s, const std::string& suffix);

std::string join(const std::vector<std::string>& parts, const std::string& separator);
std::string join_path(const std::vector<std::string>& parts);

// (directory, file name), split at the last separator; the separator is in neither.
std::pair<std::string, std::string> split_path(const std::string& path);
// (stem, extension), split at the last dot; the extension keeps its dot.
std::pair<std::string, std::string> split_extension(const std::string& path);
std::string replace_extension(const std::string& path, const std::string& extension);

bool file_exists(const std::string& path);

// Throws std::runtime_error when no home directory can be found.
std::string get_home_directory();
std::string expand_user(const std::string& path);

}  // namespace druvex
