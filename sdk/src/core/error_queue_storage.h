// The error queue's storage: records and the mutex that guards them.
#pragma once

#include <atomic>
#include <cstddef>
#include <mutex>
#include <vector>

#include "error_queue.h"

namespace druvex_sdk {

struct ErrorQueueStorage {
    std::mutex mutex;
    std::vector<ErrorRecord> records;
    // The number of records, readable without the lock: every routed packet
    // asks whether any wait, and almost always none does.
    std::atomic<size_t> count{0};
};

ErrorQueueStorage& error_queue_storage();

}  // namespace druvex_sdk
