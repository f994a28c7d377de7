// Probing a UDP port with a socket of our own.
#include "udp_port_probe.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace druvex {

namespace {

// The step that failed, or null.
const char* bind_reusing_address(int fd, uint16_t port) {
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) != 0) return "set_option";
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return "bind";
    return nullptr;
}

}  // namespace

bool can_listen_udp(uint16_t port, std::string* reason) {
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    const char* failed = fd < 0 ? "open" : bind_reusing_address(fd, port);
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (failed != nullptr && reason != nullptr) {
        *reason = std::string(failed) + ": " + std::strerror(error);
    }
    return failed == nullptr;
}

}  // namespace druvex
