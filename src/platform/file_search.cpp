// The upward search for settings files.
#include "file_search.h"

#include "path_utils.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <memory>

namespace druvex {
namespace {

// The absolute form of `directory`: resolved by the file system when it
// exists, else joined to the working directory as written.
std::string absolute_directory(const std::string& directory) {
    const std::string given = directory.empty() ? "." : directory;
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(given.c_str(), nullptr),
                                                         &std::free);
    if (resolved) return resolved.get();
    if (given[0] == '/') return given;
    char cwd[PATH_MAX];
    return ::getcwd(cwd, sizeof cwd) != nullptr ? join_path({cwd, given}) : given;
}

}  // namespace

std::string find_file_upwards(const std::string& directory, const std::string& file_name) {
    std::string folder = absolute_directory(directory);
    for (;;) {
        const std::string candidate =
            ends_with(folder, "/") ? folder + file_name : join_path({folder, file_name});
        if (file_exists(candidate)) return candidate;
        if (folder.empty() || folder == "/") return "";
        std::string parent = split_path(folder).first;
        if (parent.empty()) parent = "/";  // the root itself is searched last
        if (parent.size() >= folder.size()) return "";
        folder = std::move(parent);
    }
}

}  // namespace druvex
