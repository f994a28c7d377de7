// The calling thread's count of running callbacks.
#include "callback.h"

namespace druvex_sdk {

int& callbacks_running_here() {
    thread_local int count = 0;
    return count;
}

}  // namespace druvex_sdk
