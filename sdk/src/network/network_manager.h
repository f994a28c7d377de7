// The live network path: a UDP listener on its I/O thread turns datagrams
// into timestamped pooled packets and queues them; a processing thread hands
// each one to the caller's network-packet callback and then to the sensors.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/sensor_error.h"
#include "network_packet.h"
#include "packet_queue.h"

namespace druvex_sdk {

class UdpListener;

class NetworkManager {
public:
    using Packet = NetworkPacket;

    static NetworkManager& instance();

    NetworkManager();
    ~NetworkManager();
    NetworkManager(const NetworkManager&) = delete;
    NetworkManager& operator=(const NetworkManager&) = delete;

    // Start, stop and port changes may come from any thread, a callback on
    // the processing thread included; they take effect one at a time.
    //
    // Stops, then listens on the stored port unless networking is disabled.
    // A port that cannot be bound is DRUVEX_ERROR_COMMUNICATION, and the
    // manager is left stopped.
    SensorError start();
    void stop();
    // Stores the port; restarts if it was listening or meant to.
    SensorError set_port(uint16_t port);
    uint16_t get_port() const { return port_.load(); }
    bool is_listening() const { return listening_.load(); }

    // The listener's callback, on the I/O thread: an error becomes a queued
    // error record, a datagram a queued packet.
    void receive(const std::error_code& ec, uint64_t sender, int32_t bytes, const uint8_t* data);
    // The listener's batch end, on the I/O thread: the batch joins the queue.
    void hand_over();

    PacketQueue& queue() { return queue_; }

private:
    std::shared_ptr<Packet> next_packet();
    // Runs `change` under the lock after ending listening, then joins the
    // processing thread that was let go.
    template <typename Change>
    SensorError serialised(Change&& change);
    // Ends listening (listener and I/O thread) but keeps whether it is wanted.
    // The processing thread is let go rather than joined: it may be the
    // caller, or be running a callback that waits for the lock.
    std::thread halt_locked();
    SensorError start_locked();
    void process_loop(uint64_t generation);
    void process(const Packet& packet);
    bool keeps_running(uint64_t generation) const;
    void launch_threads();

    std::mutex mutex_;  // guards wanted_, the listener and the threads
    std::atomic<uint16_t> port_{8808};
    std::atomic<bool> listening_{false};
    // Listening was asked for with networking enabled, whether or not the
    // port could be bound.
    bool wanted_ = false;
    PacketQueue queue_;
    // Packets of the batch being received, and empty ones to fill; the I/O
    // thread's alone.
    std::vector<std::shared_ptr<Packet>> received_;
    std::vector<std::shared_ptr<Packet>> spare_;
    std::unique_ptr<UdpListener> listener_;
    std::atomic<bool> running_{false};
    // Each start begins a new generation; a processing thread that was let go
    // while it ran a callback ends as soon as it sees a newer one.
    std::atomic<uint64_t> generation_{0};
    std::thread io_thread_;
    std::thread processing_thread_;
};

}  // namespace druvex_sdk
