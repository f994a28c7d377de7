// Loopback sockets for the network tests.
#include "loopback.h"

namespace druvex_test {

UdpSender::UdpSender(const char* source_address)
    : socket_(io_, asio::ip::udp::endpoint(asio::ip::make_address_v4(source_address), 0)) {}

void UdpSender::send(uint16_t port, const std::vector<uint8_t>& bytes) {
    const asio::ip::udp::endpoint target(asio::ip::address_v4::loopback(), port);
    socket_.send_to(asio::buffer(bytes), target);
}

void UdpSender::send(uint16_t port, const std::string& text) {
    send(port, std::vector<uint8_t>(text.begin(), text.end()));
}

std::string text_of(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace druvex_test
