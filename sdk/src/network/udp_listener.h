// Receives UDP datagrams on one port of every local IPv4 address and hands
// each one, with its sender, to the registered callbacks.
//
// The listener owns its I/O loop; one thread calls receive() once and then
// run(). It is made for one run: close() ends it for good.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <system_error>

#include <asio.hpp>

#include "core/sensor_error.h"

namespace druvex_sdk {

class UdpListener {
public:
    // error, sender IPv4 address (a.b.c.d is a<<24 | b<<16 | c<<8 | d), byte
    // count, bytes. The bytes are only valid during the call.
    using ReceiveCallback =
        std::function<void(const std::error_code&, uint64_t, int32_t, const uint8_t*)>;

    static constexpr size_t buffer_size = 65536;
    static constexpr int receive_buffer_bytes = 4 << 20;

    // Binds 0.0.0.0:port with address reuse. Throws std::system_error (context
    // "set_option" or "bind") when the socket cannot be set up.
    explicit UdpListener(uint16_t port);
    ~UdpListener();

    UdpListener(const UdpListener&) = delete;
    UdpListener& operator=(const UdpListener&) = delete;

    SensorError add_callback(ReceiveCallback callback, uint64_t* id = nullptr);

    // Arms one asynchronous receive (nothing once the listener is closed).
    void receive();

    // Runs the I/O loop on the calling thread until it is stopped or idle.
    void run();

    // Cancels and closes the socket and stops the loop. Safe from any thread.
    void close();

    // The receive completion; public so that error completions can be
    // exercised without a failing network.
    void handle_receive(const std::error_code& ec, size_t bytes);

    // The port actually bound.
    uint16_t local_port() const { return bound_port_; }

private:
    void deliver(const std::error_code& ec, size_t bytes);

    std::mutex callback_mutex_;
    uint64_t next_callback_id_ = 0;
    std::map<uint64_t, ReceiveCallback> callbacks_;
    std::mutex socket_mutex_;
    asio::io_context io_;
    asio::ip::udp::socket socket_;
    asio::ip::udp::endpoint sender_;
    std::array<uint8_t, buffer_size> buffer_{};
    uint16_t bound_port_ = 0;
};

}  // namespace druvex_sdk
