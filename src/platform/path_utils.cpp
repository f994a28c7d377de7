// Path splitting, joining and suffix helpers.
#include "path_utils.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace druvex {

const char* const path_separator = "/";
const char* const home_prefix = "~";

bool ends_with(const std::string& s, const std::string& suffix) {
    return suffix.size() <= s.size() &&
           s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool starts_with(const std::string& s, const std::string& prefix) {
    return prefix.size() <= s.size() && s.compare(0, prefix.size(), prefix) == 0;
}

std::string ensure_suffix(const std::string& s, const std::string& suffix) {
    return ends_with(s, suffix) ? s : s + suffix;
}

std::string join(const std::vector<std::string>& parts, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) out += separator;
        out += parts[i];
    }
    return out;
}

std::string join_path(const std::vector<std::string>& parts) { return join(parts, path_separator); }

std::pair<std::string, std::string> split_path(const std::string& path) {
    const size_t pos = path.find_last_of("/\\");
    if (pos == std::string::npos) return {"", path};
    return {path.substr(0, pos), path.substr(pos + 1)};
}

std::pair<std::string, std::string> split_extension(const std::string& path) {
    const size_t pos = path.rfind('.');
    if (pos == std::string::npos || pos == 0) return {path, ""};
    return {path.substr(0, pos), path.substr(pos)};
}

std::string replace_extension(const std::string& path, const std::string& extension) {
    if (ends_with(path, extension)) return path;
    return split_extension(path).first + extension;
}

bool file_exists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

namespace {

const char* env(const char* name) {
    const char* value = std::getenv(name);
    return (value != nullptr && value[0] != '\0') ? value : nullptr;
}

}  // namespace

std::string get_home_directory() {
    if (const char* profile = env("USERPROFILE")) return profile;
    const char* drive = env("HOMEDRIVE");
    const char* home_path = env("HOMEPATH");
    if (drive != nullptr && home_path != nullptr) return join_path({drive, home_path});
    if (const char* home = env("HOME")) return home;
    if (const passwd* pw = ::getpwuid(::getuid());
        pw != nullptr && pw->pw_dir != nullptr && pw->pw_dir[0] != '\0') {
        return pw->pw_dir;
    }
    throw std::runtime_error("environment variable 'USERPROFILE' not set");
}

std::string expand_user(const std::string& path) {
    if (!starts_with(path, home_prefix)) return path;
    return join_path({get_home_directory(), path.substr(1)});
}

}  // namespace druvex
