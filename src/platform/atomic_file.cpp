// Temporary files beside their target, renamed over it once complete.
#include "atomic_file.h"

#include "path_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace druvex {
namespace {

std::atomic<unsigned> g_counter{0};

void set_reason(std::string* reason, const std::string& text) {
    if (reason != nullptr) *reason = text;
}

}  // namespace

std::string error_text(int error) {
    return error == 0 ? std::string("unknown error") : std::string(std::strerror(error));
}

std::string create_temporary_beside(const std::string& path, std::string* reason) {
    const auto [directory, name] = split_path(path);
    const bool has_folder = path.find_first_of("/\\") != std::string::npos;
    const std::string prefix = has_folder ? directory + "/" : "";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string candidate = prefix + "." + name + "." + std::to_string(::getpid()) + "." +
                                      std::to_string(g_counter.fetch_add(1)) + ".tmp";
        // The mode goes through the umask like any new file of the user's.
        const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return candidate;
        }
        if (errno != EEXIST) {
            set_reason(reason, error_text(errno));
            return "";
        }
    }
    set_reason(reason, "no free temporary name");
    return "";
}

bool replace_with_temporary(const std::string& temporary, const std::string& path,
                            std::string* reason) {
    const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        set_reason(reason, error_text(errno));
        if (fd >= 0) ::close(fd);
        return false;
    }
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        set_reason(reason, error_text(errno));
        return false;
    }
    return true;
}

void discard_temporary(const std::string& temporary) {
    if (!temporary.empty()) ::unlink(temporary.c_str());
}

bool write_replacing(const std::string& path, const std::function<bool(std::ostream&)>& write,
                     std::string* reason) {
    const std::string temporary = create_temporary_beside(path, reason);
    if (temporary.empty()) return false;
    errno = 0;
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    bool ok = out.is_open() && write(out);
    out.close();
    if (!ok || out.fail()) {
        set_reason(reason, error_text(errno));
        discard_temporary(temporary);
        return false;
    }
    return replace_with_temporary(temporary, path, reason);
}

std::string read_failure_reason(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return error_text(errno);
    if (S_ISDIR(st.st_mode)) return error_text(EISDIR);
    if (::access(path.c_str(), R_OK) != 0) return error_text(errno);
    return "not a valid file";
}

}  // namespace druvex
