// Atomic file replacement and setting unreadable files aside.
#include "safe_file.h"

#include "path_utils.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace druvex {
namespace {

// The file a write replaces: a link's target, so a settings file kept
// elsewhere and linked in stays where the user put it.
std::string replaced_file(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    char target[PATH_MAX];
    if (::realpath(path.c_str(), target) == nullptr) return path;
    return target;
}

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A new file beside `path`, created with the usual permissions (the umask
// applies, as for any new file). -1 when none can be made.
int create_temporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Makes the rename itself survive a power cut; failure here loses nothing.
void sync_folder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

void set_reason(std::string* reason, const std::string& text) {
    if (reason != nullptr) *reason = text;
}

std::string local_time_stamp() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&now, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &parts);
    return text;
}

}  // namespace

bool write_file_atomically(const std::string& path, const std::string& text) {
    const std::string target = replaced_file(path);
    std::string temporary;
    const int fd = create_temporary(target, temporary);
    if (fd < 0) return false;
    const bool written = write_all(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    sync_folder(folder_of(target));
    return true;
}

std::string set_file_aside(const std::string& path, const std::string& why) {
    const size_t name_start = path.rfind('/') + 1;  // 0 without a folder
    const auto [stem, extension] = split_extension(path.substr(name_start));
    const std::string base =
        path.substr(0, name_start) + stem + "." + why + "-" + local_time_stamp();
    for (int n = 1; n < 100; ++n) {
        const std::string candidate = base + (n > 1 ? "-" + std::to_string(n) : "") + extension;
        if (file_exists(candidate)) continue;
        return ::rename(path.c_str(), candidate.c_str()) == 0 ? candidate : "";
    }
    return "";
}

std::string create_temporary_beside(const std::string& path, std::string* reason) {
    std::string temporary;
    const int fd = create_temporary(replaced_file(path), temporary);
    if (fd < 0) {
        set_reason(reason, error_text(errno));
        return "";
    }
    ::close(fd);
    return temporary;
}

bool replace_with_temporary(const std::string& temporary, const std::string& path,
                            std::string* reason) {
    const int fd = ::open(temporary.c_str(), O_RDONLY | O_CLOEXEC);
    const bool synced = fd >= 0 && ::fsync(fd) == 0;
    const int sync_error = errno;
    if (fd >= 0) ::close(fd);
    const std::string target = replaced_file(path);
    if (!synced || ::rename(temporary.c_str(), target.c_str()) != 0) {
        set_reason(reason, error_text(synced ? errno : sync_error));
        return false;
    }
    sync_folder(folder_of(target));
    return true;
}

void discard_temporary(const std::string& temporary) {
    if (!temporary.empty()) ::unlink(temporary.c_str());
}

std::string error_text(int error) {
    return error == 0 ? std::string("unknown error") : std::string(std::strerror(error));
}

std::string read_failure_reason(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return error_text(errno);
    if (S_ISDIR(st.st_mode)) return error_text(EISDIR);
    if (::access(path.c_str(), R_OK) != 0) return error_text(errno);
    return "not a valid file";
}

}  // namespace druvex
