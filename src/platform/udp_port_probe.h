// Whether a UDP port can be listened on, found out by binding it for a moment.
#pragma once

#include <cstdint>
#include <string>

namespace druvex {

// Binds the port on every IPv4 address with address reuse, as the SDK's
// listener does, and lets it go again. False with the system's reason
// ("bind: Address already in use") when the bind fails.
bool can_listen_udp(uint16_t port, std::string* reason);

}  // namespace druvex
