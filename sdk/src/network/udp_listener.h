// Receives UDP datagrams on one port of every local IPv4 address and hands
// each one, with its sender, to the registered callbacks. After the datagram
// the I/O loop receives, what else waits is taken in batches (recvmmsg);
// after each batch the batch-end callbacks run, so that a receiver can pass a
// batch on at once.
//
// The listener owns its I/O loop; one thread calls receive() once and then
// run(). It is made for one run: close() ends it for good.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <vector>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/uio.h>

#include <asio.hpp>

#include "core/sensor_error.h"

namespace druvex_sdk {

class UdpListener {
public:
    // error, sender IPv4 address (a.b.c.d is a<<24 | b<<16 | c<<8 | d), byte
    // count, bytes. The bytes are only valid during the call.
    using ReceiveCallback =
        std::function<void(const std::error_code&, uint64_t, int32_t, const uint8_t*)>;

    // Runs after the datagrams of one batch have been given to the callbacks.
    using BatchEndCallback = std::function<void()>;

    static constexpr size_t buffer_size = 65536;
    static constexpr int receive_buffer_bytes = 4 << 20;
    // Datagrams taken by one system call, and batches taken before the loop
    // gets a turn for its other work.
    static constexpr size_t batch_size = 64;
    static constexpr size_t batches_per_wake = 64;

    // Binds 0.0.0.0:port with address reuse. Throws std::system_error (context
    // "set_option" or "bind") when the socket cannot be set up.
    explicit UdpListener(uint16_t port);
    ~UdpListener();

    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    SensorError add_callback(ReceiveCallback callback, uint64_t* id = nullptr);
    void add_batch_end_callback(BatchEndCallback callback);

    // Arms one asynchronous receive (nothing once the listener is closed).
    void receive();

    // Runs the I/O loop on the calling thread until it is stopped or idle.
    void run();

    // Cancels and closes the socket and stops the loop. Safe from any thread.
    void close();

    // One completion of `bytes` in the first buffer, or an error: delivered
    // as one batch, then the next wait is armed. Public so that error
    // completions can be exercised without a failing network.
    void handle_receive(const std::error_code& ec, size_t bytes);

    // The port actually bound.
    uint16_t local_port() const { return bound_port_; }

private:
    static constexpr uint64_t no_sender = ~uint64_t{0};

    bool receive_batch(size_t filled);
    void prepare_batch(size_t from);
    void deliver_batch(size_t count);
    // One completion (an error, or `bytes` in the first buffer) as a batch.
    void deliver_alone(const std::error_code& ec, size_t bytes);
    void deliver_locked(const std::error_code& ec, uint64_t sender, size_t bytes,
                        const uint8_t* data);
    void end_batch_locked();

    std::mutex callback_mutex_;
    uint64_t next_callback_id_ = 0;
    std::map<uint64_t, ReceiveCallback> callbacks_;
    std::vector<BatchEndCallback> batch_end_callbacks_;
    std::mutex socket_mutex_;
    asio::io_context io_;
    asio::ip::udp::socket socket_;
    asio::ip::udp::endpoint sender_;
    // Sender of the datagram in the first slot when the I/O loop received it.
    uint64_t first_sender_ = no_sender;
    std::unique_ptr<uint8_t[]> buffers_;  // batch_size buffers of buffer_size bytes
    std::array<mmsghdr, batch_size> messages_{};
    std::array<iovec, batch_size> vectors_{};
    std::array<sockaddr_in, batch_size> senders_{};
    uint16_t bound_port_ = 0;
};

}  // namespace druvex_sdk
