#include "error_queue.h"

#include "callback.h"
#include "error_queue_storage.h"

namespace druvex_sdk {

void queue_error(ErrorRecord record) {
    auto& queue = error_queue_storage();
    std::lock_guard<std::mutex> lock(queue.mutex);
    queue.records.push_back(std::move(record));
}

void queue_error(uint64_t handle, int32_t code, std::string message, std::vector<uint8_t> data) {
    queue_error(ErrorRecord{handle, code, std::move(message), std::move(data)});
}

void dispatch_queued_errors() {
    auto& queue = error_queue_storage();
    std::lock_guard<std::mutex> lock(queue.mutex);
    auto& records = queue.records;
    size_t delivered = 0;
    // A throwing callback leaves the undelivered records queued.
    struct Erase {
        std::vector<ErrorRecord>& records;
        size_t& delivered;
        ~Erase() { records.erase(records.begin(), records.begin() + delivered); }
    } erase{records, delivered};
    for (; delivered < records.size();) {
        const ErrorRecord& r = records[delivered];
        ++delivered;
        error_callback().invoke(r.handle, r.code, r.message.c_str(),
                                static_cast<const void*>(r.data.data()), r.data.size());
    }
}

size_t queued_error_count() {
    auto& queue = error_queue_storage();
    std::lock_guard<std::mutex> lock(queue.mutex);
    return queue.records.size();
}

}  // namespace druvex_sdk
