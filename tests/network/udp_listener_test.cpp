// The listener on real loopback sockets: what arrives, from whom, and that
// nothing but closing it ends reception.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <thread>

#include "loopback.h"
#include "network/udp_listener.h"

using druvex_sdk::UdpListener;
using druvex_test::Collector;
using druvex_test::Received;
using druvex_test::UdpSender;

namespace {

struct Delivery {
    std::error_code ec;
    uint64_t sender = 0;
    std::vector<uint8_t> data;
};

// A listener running on its own thread, recording every callback.
class RunningListener {
public:
    explicit RunningListener(uint16_t port = 0) : listener(port) {
        listener.add_callback(
            [this](const std::error_code& ec, uint64_t sender, int32_t n, const uint8_t* bytes) {
                deliveries.add(Delivery{ec, sender, std::vector<uint8_t>(bytes, bytes + n)});
            });
    }
    ~RunningListener() { stop(); }

    void start() {
        thread = std::thread([this] {
            listener.receive();
            listener.run();
        });
    }
    void stop() {
        listener.close();
        if (thread.joinable()) thread.join();
    }
    uint16_t port() const { return listener.local_port(); }

    UdpListener listener;
    Collector<Delivery> deliveries;
    std::thread thread;
};

std::vector<uint8_t> pattern(size_t n) {
    std::vector<uint8_t> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
    return bytes;
}

}  // namespace

TEST(UdpListener, DeliversWholeDatagramsWithSenderAddressInOrder) {
    RunningListener running;
    running.start();
    UdpSender sender("127.0.0.5");
    const std::vector<uint8_t> largest = pattern(65507);  // the largest IPv4 UDP payload
    sender.send(running.port(), "first");
    sender.send(running.port(), largest);
    sender.send(running.port(), "third");
    ASSERT_TRUE(running.deliveries.wait_for(3));
    const auto got = running.deliveries.entries();
    EXPECT_EQ(druvex_test::text_of(got[0].data), "first");
    EXPECT_EQ(got[1].data, largest);
    EXPECT_EQ(druvex_test::text_of(got[2].data), "third");
    for (const auto& d : got) {
        EXPECT_FALSE(d.ec);
        EXPECT_EQ(d.sender, 0x7F000005u);
    }
}

TEST(UdpListener, TwoListenersBindTheSamePort) {
    UdpListener first(0);
    EXPECT_NO_THROW(UdpListener second(first.local_port()));
}

// A program that starts a child (the viewer's demo input) must not hand it the port.
TEST(UdpListener, SocketIsClosedOnExec) {
    UdpListener listener(0);
    int found = 0;
    for (int fd = 0; fd < 1024; ++fd) {
        sockaddr_in address{};
        socklen_t length = sizeof address;
        if (::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) continue;
        if (address.sin_family != AF_INET || ntohs(address.sin_port) != listener.local_port()) {
            continue;
        }
        ++found;
        EXPECT_NE(::fcntl(fd, F_GETFD) & FD_CLOEXEC, 0) << fd;
    }
    EXPECT_EQ(found, 1);
}

TEST(UdpListener, BusyPortRaisesBindError) {
    asio::io_context io;
    asio::ip::udp::socket blocker(io, asio::ip::udp::endpoint(asio::ip::udp::v4(), 0));
    try {
        UdpListener listener(blocker.local_endpoint().port());
        FAIL() << "bind should have failed";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find("bind"), std::string::npos) << e.what();
    }
}

// An empty datagram and an error completion used to end the receive chain;
// the port must keep delivering after both.
TEST(UdpListener, KeepsReceivingAfterEmptyDatagramAndError) {
    RunningListener running;
    running.start();
    UdpSender sender;
    sender.send(running.port(), std::vector<uint8_t>{});
    sender.send(running.port(), "after empty");
    ASSERT_TRUE(running.deliveries.wait_for(1));
    EXPECT_EQ(druvex_test::text_of(running.deliveries.entries()[0].data), "after empty");
    running.stop();

    // An error completion on a listener whose loop is not yet running: the
    // error reaches the callbacks and a receive is armed again.
    RunningListener errored;
    errored.listener.handle_receive(std::make_error_code(std::errc::connection_refused), 0);
    ASSERT_EQ(errored.deliveries.size(), 1u);
    EXPECT_EQ(errored.deliveries.entries()[0].ec, std::errc::connection_refused);
    errored.thread = std::thread([&] { errored.listener.run(); });
    sender.send(errored.port(), "after error");
    ASSERT_TRUE(errored.deliveries.wait_for(2));
    EXPECT_EQ(druvex_test::text_of(errored.deliveries.entries()[1].data), "after error");
}

TEST(UdpListener, CloseEndsRunAndDelivery) {
    RunningListener running;
    running.start();
    UdpSender sender;
    sender.send(running.port(), "before");
    ASSERT_TRUE(running.deliveries.wait_for(1));
    running.stop();  // joins: run() has returned
    const uint16_t port = running.port();
    sender.send(port, "after");
    EXPECT_FALSE(running.deliveries.wait_for(2, std::chrono::milliseconds(200)));
    // Closing released the port for a listener that does not share it.
    asio::io_context io;
    asio::ip::udp::socket exclusive(io);
    exclusive.open(asio::ip::udp::v4());
    std::error_code ec;
    exclusive.bind(asio::ip::udp::endpoint(asio::ip::udp::v4(), port), ec);
    EXPECT_FALSE(ec) << ec.message();
    running.listener.close();  // a second close is harmless
}
