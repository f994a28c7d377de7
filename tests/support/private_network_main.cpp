// The main function of test programs whose tests run in a network namespace
// of their own (see private_network.h).
#include "private_network.h"

#include <gtest/gtest.h>

#include <cstdio>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

int main(int argc, char** argv) {
    // Tests that need the namespace fail and say why; the others still run.
    if (!druvex::testing::enter_private_network()) {
        std::fprintf(stderr, "warning: no private network: %s\n",
                     druvex::testing::private_network_failure().c_str());
    }
    ::testing::InitGoogleTest(&argc, argv);
    const int result = RUN_ALL_TESTS();
#if defined(__SANITIZE_ADDRESS__)
    // The leak check runs here, while the process is whole, rather than at
    // exit: by then the GL driver's static destructors have run beside its
    // still-running threads, and the checker's own tracer has crashed
    // scanning them after a test had passed. A leak still fails the program.
    __lsan_do_leak_check();
#endif
    return result;
}
