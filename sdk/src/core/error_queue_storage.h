// The error queue's storage: records and the mutex that guards them.
#pragma once

#include <mutex>
#include <vector>

#include "error_queue.h"

namespace druvex_sdk {

struct ErrorQueueStorage {
    std::mutex mutex;
    std::vector<ErrorRecord> records;
};

ErrorQueueStorage& error_queue_storage();

}  // namespace druvex_sdk
