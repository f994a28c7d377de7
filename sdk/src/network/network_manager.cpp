// The live network path: listener, queue, processing thread and routing.
#include "network_manager.h"

#include <cstring>

#include "core/callback.h"
#include "core/clock_math.h"
#include "core/error_queue.h"
#include "core/large_object_pool.h"
#include "core/sdk_manager.h"
#include "frames/frame_manager.h"
#include "packet_router.h"
#include "udp_listener.h"

namespace druvex_sdk {
namespace {

constexpr float pop_timeout_sec = 0.01f;

// The data of a receive error record: the error value as a little-endian
// int32, then zeros.
std::vector<uint8_t> error_data(const std::error_code& ec) {
    std::vector<uint8_t> data(16, 0);
    const int32_t value = ec.value();
    std::memcpy(data.data(), &value, sizeof(value));
    return data;
}

// A thread's own packet pool, made at its first packet. Packets still queued
// when the thread ends keep the pool alive.
std::shared_ptr<NetworkPacket> take_packet() {
    thread_local std::shared_ptr<util::LargeObjectPool<NetworkPacket>> pool =
        util::LargeObjectPool<NetworkPacket>::create();
    return pool->get();
}

void try_queue_error(uint64_t handle, int32_t code, const char* message) noexcept {
    try {
        queue_error(handle, code, message);
    } catch (...) {
        // Out of memory even for the record: nothing left to report with.
    }
}

// A thread cannot join itself: a user callback on the processing thread may
// stop the manager (a port change, networking switched off), and then its own
// thread is let go and ends when the callback returns.
void join_or_detach(std::thread& thread) {
    if (!thread.joinable()) return;
    if (thread.get_id() == std::this_thread::get_id()) {
        thread.detach();
    } else {
        thread.join();
    }
}

// Runs one step of an SDK thread. An exception there would end the process,
// so it becomes a queued error record instead; the packet is lost.
template <typename Step>
void report_failure(uint64_t handle, Step&& step) noexcept {
    try {
        step();
    } catch (const std::bad_alloc&) {
        try_queue_error(handle, DRUVEX_ERROR_OUT_OF_MEMORY, "");
    } catch (const std::exception& e) {
        try_queue_error(handle, DRUVEX_ERROR_GENERIC, e.what());
    } catch (...) {
        try_queue_error(handle, DRUVEX_ERROR_GENERIC, "");
    }
}

}  // namespace

NetworkManager::NetworkManager() = default;

NetworkManager::~NetworkManager() { stop(); }

// The thread let go is joined outside the lock: a callback running on it may
// be waiting for the lock to make a change of its own.
template <typename Change>
SensorError NetworkManager::serialised(Change&& change) {
    std::thread let_go;
    SensorError result;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        let_go = halt_locked();
        result = change();
    }
    join_or_detach(let_go);
    return result;
}

SensorError NetworkManager::start() {
    return serialised([this] { return start_locked(); });
}

SensorError NetworkManager::start_locked() {
    wanted_ = !SdkManager::has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK);
    if (!wanted_) return success();
    try {
        listener_ = std::make_unique<UdpListener>(port_.load());
    } catch (const std::system_error& e) {
        return SensorError(DRUVEX_ERROR_COMMUNICATION, e.what());
    }
    listener_->add_callback([this](const std::error_code& ec, uint64_t sender, int32_t bytes,
                                   const uint8_t* data) { receive(ec, sender, bytes, data); });
    listener_->add_batch_end_callback([this] { hand_over(); });
    running_ = true;
    listening_ = true;
    try {
        launch_threads();
    } catch (const std::system_error& e) {
        // Only the I/O thread can have started; nothing waits for the lock
        // on it, so it is joined here.
        std::thread unstarted = halt_locked();
        join_or_detach(unstarted);
        return SensorError(DRUVEX_ERROR_GENERIC, e.what());
    }
    return success();
}

void NetworkManager::launch_threads() {
    const uint64_t generation = ++generation_;
    UdpListener* listener = listener_.get();
    io_thread_ = std::thread([listener] {
        report_failure(0, [listener] {
            listener->receive();
            listener->run();
        });
    });
    processing_thread_ = std::thread([this, generation] { process_loop(generation); });
}

void NetworkManager::stop() {
    (void)serialised([this] {
        wanted_ = false;
        return success();
    });
}

// The I/O thread only queues, so it is joined here; the listener must outlive
// it.
std::thread NetworkManager::halt_locked() {
    if (!listening_) return {};
    running_ = false;
    ++generation_;
    listener_->close();
    if (io_thread_.joinable()) io_thread_.join();
    listener_.reset();
    listening_ = false;
    return std::move(processing_thread_);
}

// A start that failed (the port could not be bound) still counts as wanted,
// so that moving to a usable port brings the listener back.
SensorError NetworkManager::set_port(uint16_t port) {
    return serialised([this, port] {
        port_ = port;
        return wanted_ ? start_locked() : success();
    });
}

void NetworkManager::receive(const std::error_code& ec, uint64_t sender, int32_t bytes,
                             const uint8_t* data) {
    report_failure(0, [&] {
        if (ec) {
            queue_error(0, DRUVEX_ERROR_COMMUNICATION, ec.message(), error_data(ec));
            return;
        }
        std::shared_ptr<Packet> packet = next_packet();
        packet->handle = sender;
        packet->timestamp = host_time_usec();
        packet->data.assign(data, data + (bytes > 0 ? bytes : 0));
        received_.push_back(std::move(packet));
    });
}

// A packet the processing side is done with, else a new one from the pool.
std::shared_ptr<NetworkPacket> NetworkManager::next_packet() {
    if (spare_.empty()) return take_packet();
    std::shared_ptr<Packet> packet = std::move(spare_.back());
    spare_.pop_back();
    return packet;
}

// A batch goes to the queue at once: one lock and one wake-up for all its
// packets, which keeps the I/O thread ahead of the traffic.
void NetworkManager::hand_over() {
    report_failure(0, [&] { queue_.push_batch(received_, spare_, UdpListener::batch_size); });
    received_.clear();
}

bool NetworkManager::keeps_running(uint64_t generation) const {
    return running_.load() && generation_.load() == generation;
}

// Packets are taken a batch at a time, under one lock of the queue.
void NetworkManager::process_loop(uint64_t generation) {
    std::vector<std::shared_ptr<Packet>> batch, done;
    batch.reserve(UdpListener::batch_size);
    done.reserve(UdpListener::batch_size);
    while (keeps_running(generation)) {
        // The batch processed last goes back for reuse in the same lock.
        done.swap(batch);
        if (!queue_.pop_batch(pop_timeout_sec, UdpListener::batch_size, batch, done)) {
            // With no traffic at all, sensors gone silent still give back
            // what they hold.
            FrameManager::instance().release_idle();
            continue;
        }
        for (const std::shared_ptr<Packet>& packet : batch) {
            if (!keeps_running(generation)) break;
            report_failure(packet->handle, [&] { process(*packet); });
        }
    }
}

void NetworkManager::process(const Packet& packet) {
    const uint8_t* bytes = packet.data.data();
    const size_t size = packet.data.size();
    network_packet_callback().invoke(packet.handle, packet.timestamp, bytes, size);
    route_packet(packet.handle, packet.timestamp, size, bytes);
}

}  // namespace druvex_sdk
