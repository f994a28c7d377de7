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
#include "support/wait.h"

extern char** environ;

using druvex_sdk::CaptureReplay;
using druvex_sdk::replayed_handle_bit;
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

// A capture of the payloads as text2pcap writes it (UDP from 10.1.2.3 to port
// 8808), with text2pcap's format arguments.
std::string text2pcap_capture(const TempDir& dir, const std::string& name,
                              const std::vector<std::vector<uint8_t>>& payloads,
                              const std::string& format = "-F pcap") {
    std::string dump;
    for (const auto& p : payloads) dump += hex_dump(p) + "\n";
    write_file(dir.path("dump.txt"), std::vector<uint8_t>(dump.begin(), dump.end()));
    const std::string path = dir.path(name);
    run("text2pcap " + format + " -4 10.1.2.3,10.0.0.255 -u 443,8808 " + dir.path("dump.txt") +
        " " + path);
    return path;
}

// What "tcpdump -i any" writes when a datagram to loopback passes; the path
// holds no record when tcpdump could not capture.
std::string record_on_any_interface(const TempDir& dir) {
    const std::string path = dir.path("any.pcap");
    const std::string port = std::to_string(20000 + getpid() % 20000);
    std::system(("timeout 10 tcpdump -Z root -U -c 1 -i any -w " + path + " udp dst port " + port +
                 " >/dev/null 2>&1 &")
                    .c_str());
    const int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(std::stoi(port)));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    // Pings until tcpdump has written one (a header and a record), for as
    // long as tcpdump runs.
    druvex::testing::wait_until(
        [&] {
            sendto(sock, "ping", 4, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            return read_file(path).size() > 24 + 16;
        },
        10.0);
    close(sock);
    return path;
}

// The refusal's code and text, which names the file first.
std::string refusal(const std::string& path) {
    druvex_sdk::Capture capture;
    const druvex_sdk::SensorError error = capture.open_for_read(path);
    const std::string named = path + ": ";
    if (error.message.compare(0, named.size(), named) != 0) return "unnamed: " + error.message;
    return std::to_string(error.code) + ": " + error.message.substr(named.size());
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
    const std::string pcap = text2pcap_capture(dir, "t2p.pcap", payloads);
    const std::string pcapng = text2pcap_capture(dir, "t2p.pcapng", payloads, "");

    ReplaySession session;
    const auto got = replay_all(pcap, session);
    ASSERT_EQ(got.size(), payloads.size());
    for (size_t k = 0; k < payloads.size(); ++k) {
        EXPECT_EQ(got[k].handle, 0x0A010203u + replayed_handle_bit);
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
        EXPECT_EQ(p.handle, 0x7F000001u + replayed_handle_bit);
        EXPECT_EQ(p.data, sent) << seq;
    }
}

// Captures in the forms the usual tools save by default are refused, and the
// refusal tells the user what the file is and what to do; done, it replays.
TEST(CaptureTools, UnreadableCapturesSayWhatTheyAreAndWhatToDo) {
    TempDir dir;
    const std::string base = text2pcap_capture(dir, "base.pcap", {payload(300, 1)});
    run("editcap -F pcapng " + base + " " + dir.path("ng.pcapng"));
    run("editcap -F nsecpcap " + base + " " + dir.path("nsec.pcap"));
    run("editcap -F pcap -T linux-sll " + base + " " + dir.path("sll.pcap"));
    const std::string convert = ": save it as pcap (editcap -F pcap IN OUT)";
    EXPECT_EQ(refusal(dir.path("ng.pcapng")), "-11: pcapng capture" + convert);
    EXPECT_EQ(refusal(dir.path("nsec.pcap")), "-11: nanosecond pcap capture" + convert);
    EXPECT_EQ(refusal(dir.path("sll.pcap")),
              "-11: link type 113 (Linux cooked) captures are not supported: record on one "
              "interface");
    // What "tcpdump -i any" writes; where it cannot capture, editcap's version.
    std::string any = record_on_any_interface(dir);
    if (read_file(any).size() <= 24) {
        any = dir.path("sll2.pcap");
        run("editcap -F pcap -T linux-sll2 " + base + " " + any);
    }
    EXPECT_EQ(refusal(any),
              "-11: link type 276 (Linux cooked v2) captures are not supported: record on one "
              "interface");

    ReplaySession session;
    EXPECT_EQ(druvex_sdk_capture_replay_open(dir.path("ng.pcapng").c_str()),
              DRUVEX_ERROR_INVALID_FILE_TYPE);
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
    EXPECT_EQ(std::string(text), "DRUVEX_ERROR_INVALID_FILE_TYPE: " + dir.path("ng.pcapng") +
                                     ": pcapng capture" + convert);
    run("editcap -F pcap " + dir.path("nsec.pcap") + " " + dir.path("converted.pcap"));
    EXPECT_EQ(replay_all(dir.path("converted.pcap"), session).size(), 1u);
}

// A small snap length cuts datagrams short: they are skipped as before, and
// the replay says once why it delivers nothing of them.
TEST(CaptureTools, CaptureCutBySnapLengthIsReportedOnce) {
    TempDir dir;
    const std::string base =
        text2pcap_capture(dir, "base.pcap", {payload(700, 1), payload(10, 2), payload(700, 3)});
    const std::string cut = dir.path("cut.pcap");
    run("editcap -F pcap -s 100 " + base + " " + cut);
    ReplaySession session;
    CaptureReplay replay;
    ASSERT_EQ(replay.open(cut).code, 0);
    ASSERT_EQ(replay.resume_blocking(1e6f).code, 0);
    ASSERT_EQ(replay.seek(0.0f).code, 0);
    ASSERT_EQ(replay.resume_blocking(1e6f).code, 0);
    ASSERT_EQ(session.packets().size(), 2u);
    EXPECT_EQ(session.packets()[0].data, payload(10, 2));
    EXPECT_EQ(session.errors(),
              std::vector<std::string>{"-13: capture was cut at 100 bytes per packet (snap "
                                       "length): packets cut short are skipped"});
}
