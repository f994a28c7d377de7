// The UDP socket and its I/O thread.
#include "udp_listener.h"

namespace druvex_sdk {
namespace {

void throw_on_error(const std::error_code& ec, const char* context) {
    if (ec) throw std::system_error(ec, context);
}

}  // namespace

UdpListener::UdpListener(uint16_t port) : socket_(io_) {
    std::error_code ec;
    socket_.open(asio::ip::udp::v4(), ec);
    throw_on_error(ec, "open");
    socket_.set_option(asio::socket_base::reuse_address(true), ec);
    throw_on_error(ec, "set_option");
    // Room for bursts from many sensors while the I/O thread is not running;
    // the system may grant less, which only makes bursts lossier.
    socket_.set_option(asio::socket_base::receive_buffer_size(receive_buffer_bytes), ec);
    socket_.bind(asio::ip::udp::endpoint(asio::ip::address_v4::any(), port), ec);
    throw_on_error(ec, "bind");
    bound_port_ = socket_.local_endpoint(ec).port();
}

UdpListener::~UdpListener() { close(); }

SensorError UdpListener::add_callback(ReceiveCallback callback, uint64_t* id) {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    if (id != nullptr) *id = next_callback_id_;
    callbacks_.emplace(next_callback_id_, std::move(callback));
    ++next_callback_id_;
    return success();
}

void UdpListener::receive() {
    std::lock_guard<std::mutex> lock(socket_mutex_);
    // Arming a closed socket would complete at once with an error and, since
    // errors re-arm, spin.
    if (!socket_.is_open()) return;
    socket_.async_receive_from(
        asio::buffer(buffer_), sender_,
        [this](const std::error_code& ec, size_t bytes) { handle_receive(ec, bytes); });
}

void UdpListener::run() { io_.run(); }

// Each step is tried on its own: shutting down an unconnected UDP socket
// fails with "not connected", which must not keep the socket bound.
void UdpListener::close() {
    {
        std::lock_guard<std::mutex> lock(socket_mutex_);
        std::error_code ignored;
        socket_.cancel(ignored);
        socket_.shutdown(asio::socket_base::shutdown_both, ignored);
        socket_.close(ignored);
    }
    io_.stop();
}

// An empty datagram carries nothing to deliver, and an error is reported to
// the callbacks whatever the byte count; either way reception goes on, so
// that neither can silence the port until the next restart.
void UdpListener::handle_receive(const std::error_code& ec, size_t bytes) {
    if (ec == asio::error::operation_aborted || ec == asio::error::bad_descriptor) return;
    if (ec || bytes != 0) deliver(ec, bytes);
    receive();
}

void UdpListener::deliver(const std::error_code& ec, size_t bytes) {
    const uint64_t sender = sender_.address().to_v4().to_uint();
    std::lock_guard<std::mutex> lock(callback_mutex_);
    for (auto& entry : callbacks_) {
        entry.second(ec, sender, static_cast<int32_t>(bytes), buffer_.data());
    }
}

}  // namespace druvex_sdk
