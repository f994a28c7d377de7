// A UDP port for a test that listens: the sensors' own port may be in use by
// any program on the machine, so tests outside a private network take one
// the system hands out.
#pragma once

#include <cstdint>

namespace druvex::testing {

// A UDP port that nothing is bound to right now.
uint16_t free_udp_port();

}  // namespace druvex::testing
