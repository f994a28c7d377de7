// Errors raised away from any caller wait here for the error callback.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace druvex_sdk {

struct ErrorRecord {
    uint64_t handle = 0;
    int32_t code = 0;
    std::string message;
    std::vector<uint8_t> data;
};

// Appends a record under the error-queue mutex. Safe from any thread.
void queue_error(ErrorRecord record);
void queue_error(uint64_t handle, int32_t code, std::string message,
                 std::vector<uint8_t> data = {});

// Delivers every queued record, oldest first, to the error callback (if any)
// and empties the queue.
void dispatch_queued_errors();

// Number of records waiting (for tests and diagnostics).
size_t queued_error_count();

}  // namespace druvex_sdk
