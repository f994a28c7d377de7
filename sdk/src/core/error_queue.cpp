// The error queue and its delivery to the error callback.
#include "error_queue.h"

#include <iterator>

#include "callback.h"
#include "error_queue_storage.h"

namespace druvex_sdk {

void queue_error(ErrorRecord record) {
    auto& queue = error_queue_storage();
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.records.push_back(std::move(record));
    queue.count = queue.records.size();
}

void queue_error(uint64_t handle, int32_t code, std::string message, std::vector<uint8_t> data) {
    queue_error(ErrorRecord{handle, code, std::move(message), std::move(data)});
}

// Records are taken out of the queue and delivered outside its lock: a callback
// may restart the network, which waits for the I/O thread, and that thread may
// be queueing an error of its own at that moment.
void dispatch_queued_errors() {
    auto& queue = error_queue_storage();
    if (queue.count.load() == 0) return;
    std::vector<ErrorRecord> pending;
    {
        std::lock_guard<std::mutex> lock(queue.mutex);
        if (queue.records.empty()) return;
        pending.swap(queue.records);
        queue.count = 0;
    }
    size_t next = 0;
    try {
        while (next < pending.size()) {
            const ErrorRecord& r = pending[next++];
            error_callback().invoke(r.handle, r.code, r.message.c_str(),
                                    static_cast<const void*>(r.data.data()), r.data.size());
        }
    } catch (...) {
        // A throwing callback leaves the records it has not seen queued, ahead
        // of any queued meanwhile.
        std::lock_guard<std::mutex> lock(queue.mutex);
        queue.records.insert(queue.records.begin(), std::make_move_iterator(pending.begin() + next),
                             std::make_move_iterator(pending.end()));
        queue.count = queue.records.size();
        throw;
    }
}

size_t queued_error_count() {
    auto& queue = error_queue_storage();
    std::lock_guard<std::mutex> lock(queue.mutex);
    return queue.records.size();
}

}  // namespace druvex_sdk
