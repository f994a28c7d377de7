// Entering a network namespace of the process's own.
#include "private_network.h"

#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>

namespace druvex::testing {

namespace {

bool g_entered = false;
std::string g_failure = "the private-network main did not run";

std::string system_error(const std::string& what) { return what + ": " + std::strerror(errno); }

bool write_text(const std::string& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
    out.close();
    return static_cast<bool>(out);
}

// Without the right to make a network namespace, a user namespace of the
// process's own grants it; the user keeps their own ids inside.
bool enter_as_user(std::string& failure) {
    const uid_t uid = ::getuid();
    const gid_t gid = ::getgid();
    if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) {
        failure = system_error("unshare(CLONE_NEWUSER | CLONE_NEWNET)");
        return false;
    }
    if (!write_text("/proc/self/setgroups", "deny") ||
        !write_text("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1") ||
        !write_text("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1")) {
        failure = "cannot map the user into its namespace";
        return false;
    }
    return true;
}

// A new namespace's loopback interface starts down.
bool bring_loopback_up(std::string& failure) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    bool up = fd >= 0 && ::ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = static_cast<short>(request.ifr_flags | IFF_UP);
    up = up && ::ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    if (!up) failure = system_error("bringing up lo");
    if (fd >= 0) ::close(fd);
    return up;
}

bool enter(std::string& failure) {
    if (::unshare(CLONE_NEWNET) != 0) {
        const std::string direct = system_error("unshare(CLONE_NEWNET)");
        if (!enter_as_user(failure)) {
            failure = direct + "; " + failure;
            return false;
        }
    }
    return bring_loopback_up(failure);
}

}  // namespace

bool enter_private_network() {
    std::string failure;
    g_entered = enter(failure);
    g_failure = g_entered ? "" : failure;
    return g_entered;
}

bool in_private_network() { return g_entered; }

const std::string& private_network_failure() { return g_failure; }

}  // namespace druvex::testing
