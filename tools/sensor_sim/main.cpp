// sensor_sim: plays a simulated sensor. Sends its packets by UDP at the pace
// of its clock, or writes them to a packet stream file (each packet as one
// byte 0, a 16-bit little-endian length and the packet).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "sensor_sim.h"

using namespace druvex_sim;

namespace {

struct Arguments {
    SimOptions sim;
    uint64_t packets = 1000;
    std::string udp_host;
    uint16_t udp_port = 8808;
    std::string dump_path;
    bool moving = false;
};

void usage() {
    std::fprintf(stderr,
                 "usage: sensor_sim [--model N] [--layout stdt|stdp|stdr|stdq]\n"
                 "                  [--body dvx8|dvx9|dvxa] [--info info|infx|two-part]\n"
                 "                  [--returns 1|2] [--packets N] [--scene static|moving]\n"
                 "                  (--udp HOST [--port P] | --dump FILE)\n");
}

bool parse_choice(const std::string& value, std::initializer_list<const char*> names, int& out) {
    int i = 0;
    for (const char* name : names) {
        if (value == name) {
            out = i;
            return true;
        }
        ++i;
    }
    return false;
}

bool parse(int argc, char** argv, Arguments& a) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        int choice = 0;
        if (key == "--model")
            a.sim.model = static_cast<uint16_t>(std::stoul(value));
        else if (key == "--packets")
            a.packets = std::stoull(value);
        else if (key == "--udp")
            a.udp_host = value;
        else if (key == "--port")
            a.udp_port = static_cast<uint16_t>(std::stoul(value));
        else if (key == "--dump")
            a.dump_path = value;
        else if (key == "--scene" && parse_choice(value, {"static", "moving"}, choice))
            a.moving = choice == 1;
        else if (key == "--returns")
            a.sim.multiple_returns = value == "2";
        else if (key == "--layout" && parse_choice(value, {"stdt", "stdp", "stdr", "stdq"}, choice))
            a.sim.layout = static_cast<Layout>(choice);
        else if (key == "--body" && parse_choice(value, {"dvx8", "dvx9", "dvxa"}, choice))
            a.sim.body = static_cast<BodyFormat>(choice);
        else if (key == "--info" && parse_choice(value, {"info", "infx", "two-part"}, choice))
            a.sim.info = static_cast<InfoKind>(choice);
        else
            return false;
    }
    return argc % 2 == 1 && (a.udp_host.empty() != a.dump_path.empty());
}

// Interleaves information packets (one per simulated second) with data.
template <typename Emit>
void play(SensorSim& sim, uint64_t packets, Emit&& emit) {
    const uint64_t per_second =
        1000000 / (uint64_t{sim.records_per_packet()} * sim.options().record_period_us) + 1;
    for (uint64_t k = 0; k < packets; ++k) {
        if (k % per_second == 0) {
            for (const Bytes& info : sim.info_packets()) emit(info, 0);
        }
        const SimDataPacket packet = sim.next_data_packet();
        emit(packet.bytes, uint64_t{packet.records} * sim.options().record_period_us);
    }
}

int send_udp(const Arguments& a, SensorSim& sim) {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(a.udp_port);
    if (fd < 0 || inet_pton(AF_INET, a.udp_host.c_str(), &to.sin_addr) != 1) {
        std::fprintf(stderr, "sensor_sim: cannot send to %s\n", a.udp_host.c_str());
        return 1;
    }
    auto next = std::chrono::steady_clock::now();
    play(sim, a.packets, [&](const Bytes& p, uint64_t duration_us) {
        sendto(fd, p.data(), p.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
        next += std::chrono::microseconds(duration_us);
        std::this_thread::sleep_until(next);
    });
    close(fd);
    return 0;
}

int dump(const Arguments& a, SensorSim& sim) {
    FILE* file = std::fopen(a.dump_path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "sensor_sim: cannot write %s\n", a.dump_path.c_str());
        return 1;
    }
    play(sim, a.packets, [&](const Bytes& p, uint64_t) {
        const uint8_t head[3] = {0, static_cast<uint8_t>(p.size()),
                                 static_cast<uint8_t>(p.size() >> 8)};
        std::fwrite(head, 1, sizeof head, file);
        std::fwrite(p.data(), 1, p.size(), file);
    });
    return std::fclose(file) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments arguments;
    if (!parse(argc, argv, arguments)) {
        usage();
        return 2;
    }
    if (arguments.moving) use_moving_scene(arguments.sim);
    SensorSim sim(arguments.sim);
    return arguments.udp_host.empty() ? dump(arguments, sim) : send_udp(arguments, sim);
}
