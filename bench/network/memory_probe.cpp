// The resident set and the senders' loopback addresses.
#include "memory_probe.h"

#include <fstream>

namespace druvex_bench {

double resident_mb() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            double kb = 0;
            status >> kb;
            return kb / 1024.0;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

std::string sender_address(int i) {
    return "127.1." + std::to_string(i / 250) + "." + std::to_string(1 + i % 250);
}

}  // namespace druvex_bench
