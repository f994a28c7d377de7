// Atomic file replacement, the litter of interrupted replacements, and
// setting unreadable files aside.
#include "safe_file.h"

#include "path_utils.h"

#include "capture/regular_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace druvex {
namespace {

std::string folder_of(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

const char* const temporary_infix = ".tmp-";

std::string read_link(const std::string& path) {
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0) return "";
    if (size_t(n) >= sizeof target) {
        errno = ENAMETOOLONG;
        return "";
    }
    return std::string(target, size_t(n));
}

// The file a write replaces: a link's target, even one that does not exist
// yet, so a settings file kept elsewhere and linked in stays where the user
// put it. "" (errno set) for a link that cannot be read or a loop of links.
std::string replaced_file(const std::string& path) {
    std::string file = path;
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st;
        if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return file;
        const std::string target = read_link(file);
        if (target.empty()) return "";
        file = target[0] == '/' ? target : folder_of(file) + "/" + target;
    }
    errno = ELOOP;
    return "";
}

// A rewrite keeps what the user set on the file it replaces: its group
// (where the user may give it) and its permissions.
void keep_group_and_mode(int fd, const std::string& replaced) {
    struct stat st;
    if (::stat(replaced.c_str(), &st) != 0) return;
    // Fails for a group the user is not in: the file then gets the user's own.
    static_cast<void>(::fchown(fd, static_cast<uid_t>(-1), st.st_gid) == 0);
    // After the group: a change of group may clear the set-id bits.
    static_cast<void>(::fchmod(fd, st.st_mode & 07777) == 0);
}

// A new file beside `path`, created with the usual permissions (the umask
// applies, as for any new file). -1 when none can be made.
int create_temporary(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary =
            path + temporary_infix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
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

// Whether `file`, named by "<pid>-<n>" after its prefix, is a regular file
// left by a save whose process has ended.
bool is_leftover(const std::string& pid_and_count, const std::string& file) {
    const size_t dash = pid_and_count.find('-');
    const auto digits = [](const std::string& text) {
        return !text.empty() && text.size() <= 10 &&
               text.find_first_not_of("0123456789") == std::string::npos;
    };
    if (dash == std::string::npos || !digits(pid_and_count.substr(0, dash)) ||
        !digits(pid_and_count.substr(dash + 1))) {
        return false;
    }
    const pid_t pid = static_cast<pid_t>(std::stol(pid_and_count.substr(0, dash)));
    struct stat st;
    return pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH && ::lstat(file.c_str(), &st) == 0 &&
           S_ISREG(st.st_mode);
}

// What `file` is when it is not a regular file, in the words the capture
// files use ("not a regular file (a named pipe)"); "" for a regular file and
// for nothing at all.
std::string not_regular_reason(const std::string& file) {
    struct stat st;
    if (::stat(file.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return "";
    std::string reason;
    // It looks before it opens: what is not a regular file is refused unopened.
    const int fd = druvex_sdk::open_regular_file(file, O_RDONLY, reason);
    if (fd >= 0) ::close(fd);  // it became a regular file in between
    return reason;
}

// The file a write of `path` goes to (see replaced_file) when the one rule
// of every write lets it go there; else "" with `refusal` saying why (errno
// EPERM for what is not a regular file).
std::string writable_file(const std::string& path, std::string& refusal) {
    const std::string file = replaced_file(path);
    if (file.empty()) {
        refusal = error_text(errno);
        return "";
    }
    refusal = not_regular_reason(file);
    if (refusal.empty()) return file;
    errno = EPERM;
    return "";
}

std::string megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", bytes / (1024.0 * 1024.0));
    return text;
}

std::string too_large(double bytes, size_t max_bytes) {
    return "too large (" + megabytes(bytes) + "; at most " + megabytes(double(max_bytes)) + ")";
}

// Up to `max_bytes` + 1 bytes of `fd`: one more tells a file that grew past the limit.
bool read_at_most(int fd, size_t max_bytes, std::string& text, std::string& reason) {
    text.clear();
    char buffer[65536];
    while (text.size() <= max_bytes) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            reason = error_text(errno);
            return false;
        }
        if (n == 0) return true;
        text.append(buffer, size_t(n));
    }
    reason = too_large(double(text.size()), max_bytes);
    return false;
}

}  // namespace

bool write_file_atomically(const std::string& path, const std::string& text) {
    std::string refusal;
    const std::string target = writable_file(path, refusal);
    if (target.empty()) return false;
    if (is_write_protected(target)) {
        errno = EACCES;
        return false;
    }
    std::string temporary;
    const int fd = create_temporary(target, temporary);
    if (fd < 0) return false;
    keep_group_and_mode(fd, target);
    const bool written = write_all(fd, text) && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    sync_folder(folder_of(target));
    return true;
}

bool is_write_protected(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) return false;
    // The owner's own write bit, also for an owner whom the system would let
    // write anyway (the administrator): taking it away is how a file is
    // protected.
    if (st.st_uid == ::geteuid()) return (st.st_mode & S_IWUSR) == 0;
    return ::access(path.c_str(), W_OK) != 0;
}

std::vector<std::string> remove_leftover_temporaries(const std::string& path) {
    std::vector<std::string> removed;
    const std::string target = replaced_file(path);
    if (target.empty()) return removed;
    const std::string folder = folder_of(target);
    const std::string prefix = target.substr(target.rfind('/') + 1) + temporary_infix;
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return removed;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        const std::string file = folder + "/" + name;
        if (is_leftover(name.substr(prefix.size()), file) && ::unlink(file.c_str()) == 0)
            removed.push_back(file);
    }
    ::closedir(dir);
    return removed;
}

std::string why_not_replaceable(const std::string& path) {
    std::string refusal;
    writable_file(path, refusal);
    return refusal;
}

bool is_replaceable(const std::string& path) { return why_not_replaceable(path).empty(); }

bool remove_stale_file(const std::string& path, std::string* reason) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0 || !(S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)))
        return true;
    if (::unlink(path.c_str()) == 0 || errno == ENOENT) return true;
    set_reason(reason, error_text(errno));
    return false;
}

std::string set_file_aside(const std::string& path, const std::string& why) {
    std::string refusal;
    const std::string file = writable_file(path, refusal);
    if (file.empty()) return "";
    const size_t name_start = file.rfind('/') + 1;  // 0 without a folder
    const auto [stem, extension] = split_extension(file.substr(name_start));
    const std::string base =
        file.substr(0, name_start) + stem + "." + why + "-" + local_time_stamp();
    for (int n = 1; n < 100; ++n) {
        const std::string candidate = base + (n > 1 ? "-" + std::to_string(n) : "") + extension;
        if (file_exists(candidate)) continue;
        return ::rename(file.c_str(), candidate.c_str()) == 0 ? candidate : "";
    }
    return "";
}

bool create_recording_file(const std::string& path, bool replace, std::string* reason) {
    std::string refusal;
    const std::string target = writable_file(path, refusal);
    if (target.empty()) {
        set_reason(reason, refusal);
        return false;
    }
    if (!replace) {
        // Exclusive: a file that appeared since anyone looked is not the
        // program's to overwrite.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) set_reason(reason, error_text(errno));
        return fd >= 0 && ::close(fd) == 0;
    }
    // A new empty file renamed over the old one: a replay still reading the
    // old file keeps reading it whole.
    std::string temporary;
    const int fd = create_temporary(target, temporary);
    if (fd < 0 || ::close(fd) != 0 || ::rename(temporary.c_str(), target.c_str()) != 0) {
        set_reason(reason, error_text(errno));
        if (fd >= 0) ::unlink(temporary.c_str());
        return false;
    }
    return true;
}

int create_side_file(const std::string& path, bool replace, std::string* reason) {
    if (const std::string refusal = why_not_replaceable(path); !refusal.empty()) {
        set_reason(reason, refusal);
        return -1;
    }
    if (!replace) {
        // Exclusive creation neither follows nor replaces a link.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) set_reason(reason, error_text(errno));
        return fd;
    }
    std::string temporary;
    const int fd = create_temporary(path, temporary);
    if (fd < 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
        set_reason(reason, error_text(errno));
        if (fd >= 0) {
            ::close(fd);
            ::unlink(temporary.c_str());
        }
        return -1;
    }
    return fd;
}

bool read_regular_file(const std::string& path, size_t max_bytes, std::string& text,
                       std::string& reason) {
    const int fd = druvex_sdk::open_regular_file(path, O_RDONLY, reason);
    if (fd < 0) return false;
    struct stat st;
    bool read = false;
    if (::fstat(fd, &st) != 0) {
        reason = error_text(errno);
    } else if (uint64_t(st.st_size) > max_bytes) {
        reason = too_large(double(st.st_size), max_bytes);  // not read at all
    } else {
        read = read_at_most(fd, max_bytes, text, reason);
    }
    ::close(fd);
    return read;
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

std::string write_failure_reason(const std::string& path, int error) {
    const std::string refusal = why_not_replaceable(path);
    return refusal.empty() ? error_text(error) : refusal;
}

}  // namespace druvex
