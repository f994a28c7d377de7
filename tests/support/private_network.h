// A network namespace of the test program's own, for tests that need the
// sensors' real port: inside it that port is always free, and no other
// program on the machine can send to it. Test programs linked with the
// private-network main enter it before their first test; every test of such a
// program runs in a namespace of its own, as ctest starts one process per test.
#pragma once

#include <string>

namespace druvex::testing {

// Enters a new network namespace with its loopback interface up: as root
// directly, otherwise inside a user namespace of its own. Runs before the
// process starts a thread; false when the system allows neither.
bool enter_private_network();

// Whether this process entered its private network, and if not, why not.
bool in_private_network();
const std::string& private_network_failure();

}  // namespace druvex::testing
