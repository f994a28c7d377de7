// Writing and reading capture files: the record layout, round trips, foreign
// and damaged records, IPv4 fragments and seeking.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <future>

#include "capture/capture.h"
#include "capture_test_support.h"
#include "core/byte_order.h"
#include "core/packet_bytes.h"

using druvex_sdk::Capture;
using druvex_sdk::CapturePacketHeader;
using druvex_sdk::load_be16;
using druvex_sdk::load_be32;
using druvex_sdk::read_le;
using druvex_sdk::SensorError;
using namespace capture_test;

namespace {

std::vector<Packet> read_capture(const std::string& path) {
    Capture capture;
    EXPECT_EQ(capture.open_for_read(path).code, 0);
    return read_all(capture);
}

std::vector<Packet> read_built(const TempDir& dir, const PcapBuilder& builder) {
    const std::string path = dir.path("built.pcap");
    write_file(path, builder.bytes());
    return read_capture(path);
}

int32_t open_code(const TempDir& dir, const std::vector<uint8_t>& bytes) {
    const std::string path = dir.path("foreign.pcap");
    write_file(path, bytes);
    Capture capture;
    return capture.open_for_read(path).code;
}

// An open that blocks on a named pipe fails the test, and is then released
// by opening the pipe's other end, so that the test ends all the same.
SensorError open_without_blocking(const std::string& path,
                                  const std::function<SensorError()>& open) {
    std::future<SensorError> result = std::async(std::launch::async, open);
    if (result.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return result.get();
    ADD_FAILURE() << "opening " << path << " blocked";
    const int other_end = ::open(path.c_str(), O_RDWR);
    SensorError error = result.get();
    ::close(other_end);
    return error;
}

}  // namespace

TEST(CaptureWrite, RecordLayoutMatchesClassicPcap) {
    TempDir dir;
    const std::string path = dir.path("one.pcap");
    write_capture(path, {{0xC0A80A0B, 1700000000123456, payload(100, 1)}});
    const std::vector<uint8_t> bytes = read_file(path);
    ASSERT_EQ(bytes.size(), 24u + 158u);
    EXPECT_EQ(read_le<uint32_t>(bytes.data(), 0), 0xA1B2C3D4u);
    EXPECT_EQ(read_le<uint32_t>(bytes.data(), 16), 65535u);
    EXPECT_EQ(read_le<uint32_t>(bytes.data(), 20), 1u);
    const uint8_t* r = &bytes[24];
    EXPECT_EQ(read_le<uint32_t>(r, 0), 1700000000u);
    EXPECT_EQ(read_le<uint32_t>(r + 4, 0), 123456u);
    EXPECT_EQ(read_le<uint32_t>(r + 8, 0), 142u);
    EXPECT_EQ(read_le<uint32_t>(r + 12, 0), 142u);
    EXPECT_EQ(load_be16(r + 28), 0x0800);
    EXPECT_EQ(r[30], 0x45);
    EXPECT_EQ(load_be16(r + 32), 128);
    EXPECT_EQ(r[39], 17);
    EXPECT_EQ(load_be32(r + 42), 0xC0A80A0Bu);
    EXPECT_EQ(load_be32(r + 46), 0xFFFFFFFFu);
    EXPECT_EQ(load_be16(r + 50), 443);
    EXPECT_EQ(load_be16(r + 52), 8808);
    EXPECT_EQ(load_be16(r + 54), 108);
    EXPECT_EQ(std::vector<uint8_t>(r + 58, r + 158), payload(100, 1));
}

TEST(CaptureWrite, RoundTripKeepsEveryDatagramAndRefusesOversized) {
    TempDir dir;
    const std::string path = dir.path("sizes.pcap");
    std::vector<Packet> packets = {{0x01020304, 1000000, {}},
                                   {0x01020304, 1000001, payload(1, 2)},
                                   {0xFFFFFFFF, 2000000, payload(1500, 3)},
                                   {0x7F000001, 2500000, payload(65507, 4)}};
    write_capture(path, packets);
    EXPECT_EQ(read_capture(path), packets);

    Capture capture;
    ASSERT_EQ(capture.open_for_write(dir.path("big.pcap"), false).code, 0);
    std::vector<uint8_t> big(65508);
    EXPECT_EQ(capture.write_packet({1, 1, big.size()}, big.data()).code,
              DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(capture.write_packet({1, 1, 4}, nullptr).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
}

TEST(CaptureWrite, ZeroTimestampMeansNowAndClosedWriterIsNotOpen) {
    TempDir dir;
    const std::string path = dir.path("now.pcap");
    using namespace std::chrono;
    const int64_t before =
        duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    write_capture(path, {{5, 0, payload(10, 5)}});
    const int64_t after =
        duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
    const std::vector<Packet> packets = read_capture(path);
    ASSERT_EQ(packets.size(), 1u);
    EXPECT_GE(packets[0].timestamp, before);
    EXPECT_LE(packets[0].timestamp, after);

    Capture capture;
    EXPECT_EQ(capture.write_packet({1, 1, 0}, nullptr).code, DRUVEX_ERROR_NOT_OPEN);
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    EXPECT_EQ(capture.write_packet({1, 1, 0}, nullptr).code, DRUVEX_ERROR_NOT_OPEN);
    EXPECT_EQ(capture.open_for_write(dir.path("missing/dir.pcap"), false).code,
              DRUVEX_ERROR_FILE_IO);
    EXPECT_FALSE(capture.is_open());
}

TEST(CaptureWrite, AppendingGrowsTheFileAndStartsAnEmptyOneWithItsHeader) {
    TempDir dir;
    const std::vector<Packet> packets = sample_packets(4, 1000);
    const std::string path = dir.path("append.pcap");
    write_capture(path, {packets[0], packets[1]});
    const std::string fresh = dir.path("fresh.pcap");
    for (const std::string& p : {path, fresh}) {
        Capture capture;
        ASSERT_EQ(capture.open_for_write(p, true).code, 0);
        for (size_t k = 2; k < 4; ++k) {
            ASSERT_EQ(
                capture
                    .write_packet({packets[k].handle, packets[k].timestamp, packets[k].data.size()},
                                  packets[k].data.data())
                    .code,
                0);
        }
    }
    EXPECT_EQ(read_capture(path), packets);
    EXPECT_EQ(read_capture(fresh), std::vector<Packet>(packets.begin() + 2, packets.end()));
}

// A full disk (a file-size limit stands in for it) and a missing folder fail
// with the file's name and the system's reason.
TEST(CaptureWrite, FailuresNameTheFileAndTheReason) {
    TempDir dir;
    const std::string path = dir.path("full.pcap");
    Capture capture;
    ASSERT_EQ(capture.open_for_write(path, false).code, 0);
    const std::vector<uint8_t> data = payload(1000, 1);
    SensorError failure;
    {
        FileSizeLimit limit(16384);
        for (int k = 0; k < 100 && failure.ok(); ++k) {
            failure = capture.write_packet({1, 1000000 + k, data.size()}, data.data());
        }
        if (failure.ok()) failure = capture.close();
    }
    EXPECT_EQ(failure.code, DRUVEX_ERROR_FILE_IO);
    EXPECT_EQ(failure.message, path + ": File too large");

    const std::string lost = dir.path("missing/run1.pcap");
    const SensorError missing = capture.open_for_write(lost, false);
    EXPECT_EQ(missing.code, DRUVEX_ERROR_FILE_IO);
    EXPECT_EQ(missing.message, lost + ": No such file or directory");
}

// Named pipes, folders and devices are refused at once, for reading and for
// writing (nothing is truncated); a side file that is one of them leaves the
// index in memory.
TEST(CaptureRead, AnythingButARegularFileIsRefusedAtOnce) {
    TempDir dir;
    const std::string pipe = dir.path("pipe.pcap");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string folder = dir.path("folder.pcap");
    ASSERT_EQ(::mkdir(folder.c_str(), 0700), 0);
    const std::vector<std::pair<std::string, std::string>> cases = {
        {pipe, "a named pipe"}, {folder, "a directory"}, {"/dev/zero", "a character device"}};
    for (const auto& [path, kind] : cases) {
        const std::string refused = path + ": not a regular file (" + kind + ")";
        Capture capture;
        const SensorError read =
            open_without_blocking(path, [&, p = path] { return capture.open_for_read(p); });
        EXPECT_EQ(read.code, DRUVEX_ERROR_FILE_IO);
        EXPECT_EQ(read.message, refused);
        for (bool append : {false, true}) {
            const SensorError write = open_without_blocking(
                path, [&, p = path] { return capture.open_for_write(p, append); });
            EXPECT_EQ(write.message, refused) << append;
        }
    }

    const std::string path = dir.path("side.pcap");
    const auto packets = sample_packets(3, 1000);
    write_capture(path, packets);
    const std::string side_pipe = path + ".dvx";
    ASSERT_EQ(::mkfifo(side_pipe.c_str(), 0600), 0);
    Capture capture;
    ASSERT_EQ(open_without_blocking(side_pipe, [&] { return capture.open_for_read(path); }).code,
              0);
    EXPECT_EQ(read_all(capture), packets);
}

TEST(CaptureRead, SkipsForeignRecordsAndPadding) {
    TempDir dir;
    std::vector<uint8_t> arp(42, 0);
    arp[12] = 0x08;
    arp[13] = 0x06;
    FrameSpec tcp;
    tcp.protocol = 6;
    FrameSpec padded;
    padded.padding = 60 - (42 + 10);
    const std::vector<Packet> got =
        read_built(dir, PcapBuilder()
                            .record(1000000, frame({}, payload(20, 1)))
                            .record(1000100, arp)
                            .record(1000150, frame(tcp, payload(20, 9)))
                            .record(1000300, frame(padded, payload(10, 2)))
                            // A last record too short for any link header.
                            .record(1000400, std::vector<uint8_t>(20, 0x45)));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].data, payload(20, 1));
    EXPECT_EQ(got[1].data, payload(10, 2));
    EXPECT_EQ(got[1].handle, 0x0A000001u);
    EXPECT_EQ(got[1].timestamp, 1000300);
}

TEST(CaptureRead, ReassemblesInOrderFragmentsOnly) {
    TempDir dir;
    const std::vector<uint8_t> data = payload(3000, 7);
    auto piece = [&](size_t from, size_t to) {
        return std::vector<uint8_t>(data.begin() + static_cast<std::ptrdiff_t>(from),
                                    data.begin() + static_cast<std::ptrdiff_t>(to));
    };
    FrameSpec first{0x0A000001, 77, 0, true, true, 3008};
    FrameSpec second{0x0A000001, 77, 185, true, false};
    FrameSpec third{0x0A000001, 77, 370, false, false};
    const auto f1 = frame(first, piece(0, 1472));
    const auto f2 = frame(second, piece(1472, 2952));
    const auto f3 = frame(third, piece(2952, 3000));

    auto whole = read_built(dir, PcapBuilder().record(1, f1).record(2, f2).record(3, f3));
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].data, data);
    EXPECT_EQ(whole[0].timestamp, 1);

    EXPECT_TRUE(read_built(dir, PcapBuilder().record(1, f1).record(3, f3)).empty());
    EXPECT_TRUE(read_built(dir, PcapBuilder().record(1, f1).record(2, f3).record(3, f2)).empty());
    FrameSpec foreign = second;
    foreign.identification = 78;
    EXPECT_TRUE(
        read_built(
            dir,
            PcapBuilder().record(1, f1).record(2, frame(foreign, piece(1472, 2952))).record(3, f3))
            .empty());

    // Another source's datagram between the fragments does not disturb them.
    FrameSpec other;
    other.source = 0x0A000009;
    auto mixed = read_built(dir, PcapBuilder()
                                     .record(1, f1)
                                     .record(2, frame(other, payload(5, 1)))
                                     .record(3, f2)
                                     .record(4, f3));
    ASSERT_EQ(mixed.size(), 2u);
    EXPECT_EQ(mixed[1].data, data);
}

TEST(CaptureRead, HostileLengthsAreSkippedWithoutOverrun) {
    TempDir dir;
    FrameSpec tiny_udp;
    tiny_udp.udp_length = 4;
    FrameSpec long_udp;
    long_udp.udp_length = 500;
    FrameSpec fragment_overflow{0x0A000003, 5, 0, true, true, 16};
    FrameSpec fragment_tail{0x0A000003, 5, 2, false, false};
    auto snapped = frame({}, payload(100, 3));
    PcapBuilder builder;
    builder.record(1, frame(tiny_udp, payload(10, 1)))
        .record(2, frame(long_udp, payload(10, 2)))
        .record_with_length(3, std::vector<uint8_t>(snapped.begin(), snapped.begin() + 80), 80)
        .record(4, frame(fragment_overflow, payload(8, 4)))
        .record(5, frame(fragment_tail, payload(400, 5)))
        .record(6, frame({}, payload(3, 6)));
    const auto got = read_built(dir, builder);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].data, payload(3, 6));
}

TEST(CaptureRead, TruncatedLastRecordEndsAsEndOfFile) {
    TempDir dir;
    const std::string path = dir.path("cut.pcap");
    write_capture(path, sample_packets(3, 1000));
    std::vector<uint8_t> bytes = read_file(path);
    bytes.resize(bytes.size() - 30);
    write_file(path, bytes);
    Capture capture;
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    EXPECT_EQ(read_all(capture).size(), 2u);
    CapturePacketHeader header;
    const uint8_t* data = nullptr;
    EXPECT_EQ(capture.read_packet(header, data).code, DRUVEX_ERROR_EOF);
}

TEST(CaptureRead, UnsupportedFormatsAreInvalidFileType) {
    TempDir dir;
    const auto udp = frame({}, payload(10, 1));
    EXPECT_EQ(open_code(dir, PcapBuilder(0xA1B23C4Du).record(1, udp).bytes()),
              DRUVEX_ERROR_INVALID_FILE_TYPE);
    EXPECT_EQ(open_code(dir, PcapBuilder(0xD4C3B2A1u).record(1, udp).bytes()),
              DRUVEX_ERROR_INVALID_FILE_TYPE);
    EXPECT_EQ(open_code(dir, PcapBuilder(0x0A0D0D0Au).record(1, udp).bytes()),
              DRUVEX_ERROR_INVALID_FILE_TYPE);
    EXPECT_EQ(open_code(dir, PcapBuilder(0xA1B2C3D4u, 113).record(1, udp).bytes()),
              DRUVEX_ERROR_INVALID_FILE_TYPE);
    EXPECT_EQ(open_code(dir, std::vector<uint8_t>(10, 0xD4)), DRUVEX_ERROR_FILE_IO);
    Capture capture;
    EXPECT_EQ(capture.open_for_read(dir.path("none.pcap")).code, DRUVEX_ERROR_FILE_IO);
    EXPECT_EQ(capture.open_for_read(dir.path("")).code, DRUVEX_ERROR_FILE_IO);
    EXPECT_FALSE(capture.is_open());
}

TEST(CaptureRead, NegativeTimeZoneShiftsRecordTimesBack) {
    TempDir dir;
    const auto got = read_built(
        dir, PcapBuilder(0xA1B2C3D4u, 1, -3600).record(7200000000, frame({}, payload(4, 1))));
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].timestamp, 3600000000);
}

TEST(CaptureSeek, FindsTheFirstRecordAtOrAfterAPosition) {
    TempDir dir;
    const std::string path = dir.path("seek.pcap");
    const auto packets = sample_packets(10, 100000);
    write_capture(path, packets);
    Capture capture;
    EXPECT_EQ(capture.seek(0).code, DRUVEX_ERROR_NOT_OPEN);
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    EXPECT_EQ(capture.length(), 900000);
    EXPECT_EQ(capture.start_time(), packets[0].timestamp);

    ASSERT_EQ(capture.seek(250000).code, 0);
    EXPECT_EQ(capture.position(), 300000);
    auto rest = read_all(capture);
    EXPECT_EQ(rest, std::vector<Packet>(packets.begin() + 3, packets.end()));
    EXPECT_EQ(capture.position(), 900000);
    EXPECT_TRUE(capture.is_end());

    ASSERT_EQ(capture.seek(0).code, 0);
    EXPECT_EQ(read_all(capture), packets);

    const auto invalid = capture.seek(900000);
    EXPECT_EQ(invalid.code, DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(invalid.message, "Invalid seek position!");
    EXPECT_EQ(capture.seek(-1).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
}

TEST(CaptureSeek, StartOfACaptureWithoutDurationIsValid) {
    TempDir dir;
    const std::string one = dir.path("one.pcap");
    write_capture(one, sample_packets(1, 0));
    const std::string same = dir.path("same.pcap");
    write_capture(same, sample_packets(4, 0));
    for (const std::string& path : {one, same}) {
        Capture capture;
        ASSERT_EQ(capture.open_for_read(path).code, 0);
        EXPECT_EQ(capture.length(), 0);
        EXPECT_EQ(capture.seek(0).code, 0);
        EXPECT_EQ(capture.seek(1).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
    }
    const std::string empty = dir.path("empty.pcap");
    write_capture(empty, {});
    Capture capture;
    ASSERT_EQ(capture.open_for_read(empty).code, 0);
    EXPECT_EQ(capture.seek(0).code, DRUVEX_ERROR_INVALID_ARGUMENTS);
}
