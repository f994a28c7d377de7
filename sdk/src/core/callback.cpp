// The calling thread's count of running callbacks, and the refusal of calls
// that a callback must not make.
#include "callback.h"

#include <system_error>

namespace druvex_sdk {

int& callbacks_running_here() {
    thread_local int count = 0;
    return count;
}

// The same words as a thread that would join itself gets from the system.
SensorError refused_in_callback() {
    return SensorError(DRUVEX_ERROR_GENERIC,
                       std::make_error_code(std::errc::resource_deadlock_would_occur).message());
}

}  // namespace druvex_sdk
