// The UDP socket and its I/O thread.
#include "udp_listener.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>

namespace druvex_sdk {
namespace {

void throw_on_error(const std::error_code& ec, const char* context) {
    if (ec) throw std::system_error(ec, context);
}

}  // namespace

UdpListener::UdpListener(uint16_t port)
    : socket_(io_), buffers_(new uint8_t[batch_size * buffer_size]) {
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

void UdpListener::add_batch_end_callback(BatchEndCallback callback) {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    batch_end_callbacks_.push_back(std::move(callback));
}

// The first datagram of a batch comes through the I/O loop's own receive,
// which reads at once whatever is waiting: a bare wait for readiness could
// miss a datagram that arrived while no wait was armed.
void UdpListener::receive() {
    std::lock_guard<std::mutex> lock(socket_mutex_);
    // Arming a closed socket would complete at once with an error and, since
    // errors re-arm, spin.
    if (!socket_.is_open()) return;
    socket_.async_receive_from(
        asio::buffer(buffers_.get(), buffer_size), sender_,
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
// that neither can silence the port until the next restart. After the
// datagram that completed the receive, what else waits is taken in batches.
void UdpListener::handle_receive(const std::error_code& ec, size_t bytes) {
    if (ec == asio::error::operation_aborted || ec == asio::error::bad_descriptor) return;
    if (ec) {
        deliver_alone(ec, bytes);
    } else {
        const bool first = bytes != 0;
        if (first) first_sender_ = sender_.address().to_v4().to_uint();
        messages_[0].msg_len = static_cast<unsigned>(bytes);
        bool full = receive_batch(first ? 1 : 0);
        for (size_t k = 1; full && k < batches_per_wake; ++k) full = receive_batch(0);
    }
    receive();
}

// Fills the message headers of the slots from `from` on.
void UdpListener::prepare_batch(size_t from) {
    for (size_t k = from; k < batch_size; ++k) {
        vectors_[k] = {buffers_.get() + k * buffer_size, buffer_size};
        messages_[k] = {};
        messages_[k].msg_hdr.msg_iov = &vectors_[k];
        messages_[k].msg_hdr.msg_iovlen = 1;
        messages_[k].msg_hdr.msg_name = &senders_[k];
        messages_[k].msg_hdr.msg_namelen = sizeof senders_[k];
    }
}

// Takes what waits into the slots from `filled` on (the slots before hold
// datagrams already) and delivers the batch; true when it filled every slot.
// The socket is used under its mutex, so that a close on another thread
// cannot pull the descriptor away in the middle of a call.
bool UdpListener::receive_batch(size_t filled) {
    prepare_batch(filled);
    int n = 0;
    int error = 0;
    {
        std::lock_guard<std::mutex> lock(socket_mutex_);
        if (!socket_.is_open()) return false;
        do {
            n = ::recvmmsg(socket_.native_handle(), messages_.data() + filled,
                           static_cast<unsigned>(batch_size - filled), MSG_DONTWAIT, nullptr);
        } while (n < 0 && errno == EINTR);
        error = n < 0 ? errno : 0;
    }
    const size_t count = filled + static_cast<size_t>(std::max(n, 0));
    if (count != 0) deliver_batch(count);
    if (n < 0 && error != EAGAIN && error != EWOULDBLOCK) {
        deliver_alone(std::error_code(error, std::system_category()), 0);
    }
    return count == batch_size;
}

// One lock for the whole batch: the callbacks see it as one piece.
void UdpListener::deliver_batch(size_t count) {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    for (size_t k = 0; k < count; ++k) {
        const size_t bytes = messages_[k].msg_len;
        if (bytes == 0) continue;
        const uint64_t sender = k == 0 && first_sender_ != no_sender
                                    ? first_sender_
                                    : ntohl(senders_[k].sin_addr.s_addr);
        deliver_locked({}, sender, bytes, buffers_.get() + k * buffer_size);
    }
    first_sender_ = no_sender;
    end_batch_locked();
}

void UdpListener::deliver_alone(const std::error_code& ec, size_t bytes) {
    std::lock_guard<std::mutex> lock(callback_mutex_);
    deliver_locked(ec, 0, bytes, buffers_.get());
    end_batch_locked();
}

void UdpListener::deliver_locked(const std::error_code& ec, uint64_t sender, size_t bytes,
                                 const uint8_t* data) {
    for (auto& entry : callbacks_) entry.second(ec, sender, static_cast<int32_t>(bytes), data);
}

void UdpListener::end_batch_locked() {
    for (auto& callback : batch_end_callbacks_) callback();
}

}  // namespace druvex_sdk
