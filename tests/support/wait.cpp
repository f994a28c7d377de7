// Waiting on conditions with a deadline.
#include "wait.h"

#include <thread>

namespace druvex::testing {

void pause_for(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

bool wait_until(const std::function<bool()>& condition, double timeout_sec) {
    const Deadline deadline(timeout_sec);
    while (!condition()) {
        if (deadline.passed()) return false;
        pause_for(0.02);
    }
    return true;
}

}  // namespace druvex::testing
