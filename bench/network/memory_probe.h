// What the memory programs share: the process's resident set, and the
// loopback address each numbered sender sends from (every address of
// 127.0.0.0/8 is local only in a private network namespace).
#pragma once

#include <string>

namespace druvex_bench {

// Megabytes (2^20 bytes) resident now.
double resident_mb();
// 127.1.0.1, 127.1.0.2, ... 250 senders to the third byte.
std::string sender_address(int i);

}  // namespace druvex_bench
