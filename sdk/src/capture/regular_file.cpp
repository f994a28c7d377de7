// Opening regular files without blocking, and file error texts.
#include "regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace druvex_sdk {
namespace {

const char* kind_of(mode_t mode) {
    if (S_ISFIFO(mode)) return "a named pipe";
    if (S_ISDIR(mode)) return "a directory";
    if (S_ISCHR(mode)) return "a character device";
    if (S_ISBLK(mode)) return "a block device";
    if (S_ISSOCK(mode)) return "a socket";
    return "of an unknown kind";
}

std::string not_regular(mode_t mode) {
    return std::string("not a regular file (") + kind_of(mode) + ")";
}

}  // namespace

int open_regular_file(const std::string& path, int flags, std::string& reason) {
    // Looking first lets a pipe without a reader be named as a pipe; opening
    // without blocking and looking again at what was opened covers a path
    // that changes in between.
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
        reason = not_regular(info.st_mode);
        return -1;
    }
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        reason = system_error_text(errno);
        return -1;
    }
    const bool looked = ::fstat(fd, &info) == 0;
    if (!looked || !S_ISREG(info.st_mode)) {
        reason = looked ? not_regular(info.st_mode) : system_error_text(errno);
        ::close(fd);
        return -1;
    }
    (void)::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

std::string system_error_text(int error_number) {
    return std::error_code(error_number, std::generic_category()).message();
}

std::string file_error_text(const std::string& path, const std::string& reason) {
    return path + ": " + reason;
}

}  // namespace druvex_sdk
