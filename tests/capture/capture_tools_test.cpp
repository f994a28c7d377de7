// Captures against the tools engineers already use: tshark and libpcap read
// what the SDK writes; what text2pcap and tshark write replays in the SDK.
#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <pcap.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

#include "capture/capture_replay.h"
#include "capture_test_support.h"
#include "replay_session.h"

extern char** environ;

using druvex_sdk::CaptureReplay;
using druvex_sdk::kReplayedHandleBit;
using namespace capture_test;

namespace {

bool have_tool(const char* name) {
    return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

std::string run(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r")) {
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

std::string hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

// A packet in text2pcap's input format: offset, then up to 16 bytes a line.
std::string hex_dump(const std::vector<uint8_t>& bytes) {
    std::string text;
    char field[32];
    for (size_t k = 0; k < bytes.size(); ++k) {
        if (k % 16 == 0) {
            std::snprintf(field, sizeof field, "%s%06zx", k != 0 ? "\n" : "", k);
            text += field;
        }
        std::snprintf(field, sizeof field, " %02x", static_cast<unsigned>(bytes[k]));
        text += field;
    }
    return text + "\n";
}

std::string dotted(uint64_t address) {
    return std::to_string(address >> 24 & 255) + "." + std::to_string(address >> 16 & 255) + "." +
           std::to_string(address >> 8 & 255) + "." + std::to_string(address & 255);
}

std::vector<Packet> replay_all(const std::string& path, ReplaySession& session) {
    CaptureReplay replay;
    EXPECT_EQ(replay.open(path).code, 0);
    EXPECT_EQ(replay.resume_blocking(1e6f).code, 0);
    return session.packets();
}

}  // namespace

TEST(CaptureTools, TsharkReadsAWrittenCapture) {
    if (!have_tool("tshark")) GTEST_SKIP() << "tshark is not installed";
    TempDir dir;
    const std::string path = dir.path("for_tshark.pcap");
    const auto packets = sample_packets(12, 1500);
    write_capture(path, packets);
    std::istringstream lines(run("tshark -r " + path +
                                 " --disable-protocol quic -T fields -E separator=, -e frame.len"
                                 " -e ip.src -e ip.dst -e udp.srcport -e udp.dstport -e udp.length"
                                 " -e data.data"));
    std::string line;
    size_t k = 0;
    for (; std::getline(lines, line); ++k) {
        ASSERT_LT(k, packets.size());
        const Packet& p = packets[k];
        const std::string expected = std::to_string(p.data.size() + 42) + "," + dotted(p.handle) +
                                     ",255.255.255.255,443,8808," +
                                     std::to_string(p.data.size() + 8) + "," + hex(p.data);
        EXPECT_EQ(line, expected) << k;
    }
    EXPECT_EQ(k, packets.size());
}

TEST(CaptureTools, LibpcapReadsAWrittenCapture) {
    TempDir dir;
    const std::string path = dir.path("for_libpcap.pcap");
    const auto packets = sample_packets(9, 250000);
    write_capture(path, packets);
    char error[PCAP_ERRBUF_SIZE];
    pcap_t* pcap = pcap_open_offline(path.c_str(), error);
    ASSERT_NE(pcap, nullptr) << error;
    EXPECT_EQ(pcap_datalink(pcap), DLT_EN10MB);
    pcap_pkthdr* header = nullptr;
    const u_char* data = nullptr;
    size_t k = 0;
    while (pcap_next_ex(pcap, &header, &data) == 1) {
        ASSERT_LT(k, packets.size());
        const Packet& p = packets[k++];
        EXPECT_EQ(header->caplen, p.data.size() + 42);
        EXPECT_EQ(header->ts.tv_sec * 1000000 + header->ts.tv_usec, p.timestamp);
        EXPECT_EQ(std::vector<uint8_t>(data + 42, data + header->caplen), p.data);
    }
    EXPECT_EQ(k, packets.size());
    pcap_close(pcap);
}

TEST(CaptureTools, Text2pcapCapturesReplayAndItsPcapngIsRefused) {
    if (!have_tool("text2pcap")) GTEST_SKIP() << "text2pcap is not installed";
    TempDir dir;
    const std::vector<std::vector<uint8_t>> payloads = {payload(3, 1), payload(700, 2),
                                                        payload(18, 3)};
    std::string dump;
    for (const auto& p : payloads) dump += hex_dump(p) + "\n";
    write_file(dir.path("dump.txt"), std::vector<uint8_t>(dump.begin(), dump.end()));
    const std::string pcap = dir.path("t2p.pcap");
    const std::string pcapng = dir.path("t2p.pcapng");
    run("text2pcap -F pcap -4 10.1.2.3,10.0.0.255 -u 443,8808 " + dir.path("dump.txt") + " " +
        pcap);
    run("text2pcap -4 10.1.2.3,10.0.0.255 -u 443,8808 " + dir.path("dump.txt") + " " + pcapng);

    ReplaySession session;
    const auto got = replay_all(pcap, session);
    ASSERT_EQ(got.size(), payloads.size());
    for (size_t k = 0; k < payloads.size(); ++k) {
        EXPECT_EQ(got[k].handle, 0x0A010203u + kReplayedHandleBit);
        EXPECT_EQ(got[k].data, payloads[k]) << k;
    }
    CaptureReplay replay;
    EXPECT_EQ(replay.open(pcapng).code, DRUVEX_ERROR_INVALID_FILE_TYPE);
    EXPECT_FALSE(replay.is_open());
}

// Records real loopback traffic with tshark and replays the recording.
TEST(CaptureTools, TsharkLoopbackRecordingReplays) {
    if (!have_tool("tshark")) GTEST_SKIP() << "tshark is not installed";
    TempDir dir;
    const std::string path = dir.path("lo.pcap");
    const int port = 20000 + static_cast<int>(getpid() % 20000);
    const std::string filter = "udp dst port " + std::to_string(port);
    const char* argv[] = {"tshark", "-q", "-i",         "lo",          "-F",
                          "pcap",   "-w", path.c_str(), "-f",          filter.c_str(),
                          "-c",     "20", "-a",         "duration:20", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, "tshark", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) GTEST_SKIP() << "tshark could not start";

    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int status = 0;
    uint32_t sequence = 0;
    while (waitpid(pid, &status, WNOHANG) == 0 && sequence < 4000) {
        std::vector<uint8_t> p = payload(64 + sequence % 900, static_cast<uint8_t>(sequence));
        std::memcpy(p.data(), &sequence, sizeof sequence);
        sendto(sock, p.data(), p.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ++sequence;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(sock);
    if (sequence >= 4000) {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
    }
    // Without capture rights (or with a stalled capture) there is nothing to replay.
    const bool captured = sequence < 4000 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!captured || !file_exists(path)) GTEST_SKIP() << "tshark could not capture on lo";

    ReplaySession session;
    const auto got = replay_all(path, session);
    ASSERT_EQ(got.size(), 20u);
    for (const Packet& p : got) {
        uint32_t seq = 0;
        std::memcpy(&seq, p.data.data(), sizeof seq);
        std::vector<uint8_t> sent = payload(64 + seq % 900, static_cast<uint8_t>(seq));
        std::memcpy(sent.data(), &seq, sizeof seq);
        EXPECT_EQ(p.handle, 0x7F000001u + kReplayedHandleBit);
        EXPECT_EQ(p.data, sent) << seq;
    }
}
