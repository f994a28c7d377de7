// A value that the GUI thread replaces while other threads read it: readers
// take an immutable snapshot, the writer publishes a new one.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

namespace druvex {

// One writer, any number of readers. A snapshot never changes once
// published, so a reader may keep it as long as it likes; the version tells
// a reader cheaply whether its copy is still current.
template <typename T>
class Published {
public:
    Published() : value_(std::make_shared<const T>()) {}
    Published(const Published&) = delete;
    Published& operator=(const Published&) = delete;

    // Any thread.
    std::shared_ptr<const T> get() const { return std::atomic_load(&value_); }
    // Changes with every publication; read it before get() so that a
    // publication in between is seen again, never missed.
    uint64_t version() const { return version_.load(std::memory_order_acquire); }

    // The writer's thread only.
    void publish(T value) {
        std::atomic_store(&value_, std::shared_ptr<const T>(std::make_shared<T>(std::move(value))));
        version_.fetch_add(1, std::memory_order_acq_rel);
    }

private:
    std::shared_ptr<const T> value_;
    std::atomic<uint64_t> version_{0};
};

}  // namespace druvex
