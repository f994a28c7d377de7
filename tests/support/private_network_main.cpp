// The main function of test programs whose tests run in a network namespace
// of their own (see private_network.h).
#include "private_network.h"

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    // Tests that need the namespace fail and say why; the others still run.
    if (!druvex::testing::enter_private_network()) {
        std::fprintf(stderr, "warning: no private network: %s\n",
                     druvex::testing::private_network_failure().c_str());
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
