// The ".dvx" side file: created once, reused while it matches the capture,
// rebuilt whenever it is stale or damaged, never trusted blindly.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "capture/capture.h"
#include "capture_test_support.h"
#include "core/byte_order.h"
#include "core/packet_bytes.h"

using druvex_sdk::Capture;
using druvex_sdk::CaptureIndexEntry;
using druvex_sdk::store_le32;
using druvex_sdk::store_le64;
using namespace capture_test;

namespace {

class CaptureIndexTest : public ::testing::Test {
protected:
    void SetUp() override {
        packets = sample_packets(6, 20000);
        write_capture(path, packets);
    }

    std::vector<CaptureIndexEntry> open_index() {
        Capture capture;
        EXPECT_EQ(capture.open_for_read(path).code, 0);
        return capture.index();
    }

    // Damages the second record, where a scan would end the records, and
    // keeps the capture's time, so that only a scan can see the change: an
    // open that finds them all used the side file.
    void break_second_record() {
        struct stat before {};
        ASSERT_EQ(::stat(path.c_str(), &before), 0);
        auto bytes = read_file(path);
        const size_t second = 24 + 16 + druvex_sdk::read_le<uint32_t>(bytes.data(), 24 + 8);
        store_le32(&bytes[second + 8], 0);
        write_file(path, bytes);
        const timespec times[2] = {{0, UTIME_OMIT}, before.st_mtim};
        ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }

    TempDir dir;
    std::string path = dir.path("indexed.pcap");
    std::string index_path = path + ".dvx";
    std::vector<Packet> packets;
};

bool same_entries(const std::vector<CaptureIndexEntry>& a,
                  const std::vector<CaptureIndexEntry>& b) {
    if (a.size() != b.size()) return false;
    for (size_t k = 0; k < a.size(); ++k) {
        if (a[k].time != b[k].time || a[k].offset != b[k].offset) return false;
    }
    return true;
}

}  // namespace

TEST_F(CaptureIndexTest, CreatedOnFirstOpenAndReusedWithoutScanning) {
    EXPECT_FALSE(file_exists(index_path));
    const auto entries = open_index();
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_EQ(entries[0].offset, 24u);
    EXPECT_EQ(entries[5].time, 100000);
    const auto side = read_file(index_path);
    ASSERT_EQ(side.size(), 24u + 6 * 16);
    EXPECT_EQ(druvex_sdk::read_le<uint64_t>(side.data(), 8),
              static_cast<uint64_t>(packets[0].timestamp));
    EXPECT_EQ(druvex_sdk::read_le<uint64_t>(side.data(), 16), 6u);

    break_second_record();
    EXPECT_TRUE(same_entries(open_index(), entries));
    EXPECT_EQ(read_file(index_path), side);
}

TEST_F(CaptureIndexTest, AppendingMakesTheNextOpenRebuild) {
    open_index();
    Capture capture;
    ASSERT_EQ(capture.open_for_write(path, true).code, 0);
    ASSERT_EQ(
        capture.write_packet({1, packets.back().timestamp + 5000, 3}, payload(3, 1).data()).code,
        0);
    ASSERT_EQ(capture.close().code, 0);
    const auto entries = open_index();
    ASSERT_EQ(entries.size(), 7u);
    EXPECT_EQ(entries.back().time, 105000);
    EXPECT_EQ(read_file(index_path).size(), 24u + 7 * 16);
}

TEST_F(CaptureIndexTest, DamagedSideFilesAreRebuilt) {
    const auto good_entries = open_index();
    const auto good = read_file(index_path);
    const std::vector<std::pair<const char*, std::function<void(std::vector<uint8_t>&)>>> damages =
        {
            {"extra byte", [](auto& b) { b.push_back(0); }},
            {"short", [](auto& b) { b.resize(b.size() - 1); }},
            {"header only", [](auto& b) { b.resize(10); }},
            {"version", [](auto& b) { b[0] = 1; }},
            {"start time", [](auto& b) { b[8] ^= 1; }},
            {"count zero", [](auto& b) { store_le64(&b[16], 0); }},
            {"huge count", [](auto& b) { store_le64(&b[16], uint64_t{1} << 60); }},
            {"count beyond capture", [](auto& b) { store_le64(&b[16], 1u << 26); }},
            {"offset out of order", [](auto& b) { store_le64(&b[24 + 16 * 3 + 8], 30); }},
            {"offset beyond file",
             [](auto& b) { store_le64(&b[24 + 16 * 3 + 8], ~uint64_t{0} - 4); }},
            {"first offset", [](auto& b) { store_le64(&b[24 + 8], 40); }},
            {"last offset", [](auto& b) { store_le64(&b[24 + 16 * 5 + 8], 24 + 16 * 5); }},
            {"time goes back", [](auto& b) { store_le64(&b[24 + 16 * 3], 90000); }},
            {"last time", [](auto& b) { store_le64(&b[24 + 16 * 5], uint64_t{1} << 63); }},
        };
    for (const auto& [name, damage] : damages) {
        std::vector<uint8_t> bytes = good;
        damage(bytes);
        write_file(index_path, bytes);
        EXPECT_TRUE(same_entries(open_index(), good_entries)) << name;
        EXPECT_EQ(read_file(index_path), good) << name;
    }
}

TEST_F(CaptureIndexTest, HeaderOnlyCaptureHasAnEmptyIndex) {
    write_capture(path, {});
    Capture capture;
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    EXPECT_TRUE(capture.index().empty());
    EXPECT_EQ(capture.length(), 0);
    EXPECT_EQ(read_file(index_path).size(), 24u);
}

TEST_F(CaptureIndexTest, UnwritableSideFileKeepsTheIndexInMemory) {
    std::filesystem::create_directory(index_path);
    const auto entries = open_index();
    EXPECT_EQ(entries.size(), 6u);
    Capture capture;
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    EXPECT_EQ(read_all(capture), packets);
}

// Nothing after a record of length zero can be found: the records before it
// are kept, and the capture says where it ends.
TEST_F(CaptureIndexTest, ZeroLengthRecordEndsTheRecords) {
    break_second_record();
    Capture capture;
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    EXPECT_EQ(read_all(capture), std::vector<Packet>(packets.begin(), packets.begin() + 1));
    const size_t second = 24 + 16 + druvex_sdk::read_le<uint32_t>(read_file(path).data(), 24 + 8);
    EXPECT_EQ(capture.damage(), "record at byte " + std::to_string(second) + " has length 0");
}

TEST_F(CaptureIndexTest, CaptureStartingAtTheEpochIsIndexedOnce) {
    write_file(path, PcapBuilder()
                         .record(0, frame({}, payload(4, 1)))
                         .record(1000, frame({}, payload(4, 2)))
                         .record(3000, frame({}, payload(4, 3)))
                         .record(4000, frame({}, payload(4, 4)))
                         .bytes());
    const auto entries = open_index();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[1].time, 1000);
    EXPECT_EQ(entries[2].time, 3000);
    break_second_record();
    EXPECT_TRUE(same_entries(open_index(), entries));
}

// A recording that stopped mid-write: its cut last record is not indexed, the
// side file holds from then on, and reading reaches the capture's length.
TEST_F(CaptureIndexTest, CutLastRecordIsLeftOutAndTheSideFileHolds) {
    std::vector<uint8_t> bytes = read_file(path);
    bytes.resize(bytes.size() - 30);
    write_file(path, bytes);
    Capture capture;
    ASSERT_EQ(capture.open_for_read(path).code, 0);
    ASSERT_EQ(capture.index().size(), 5u);
    EXPECT_EQ(read_all(capture), std::vector<Packet>(packets.begin(), packets.end() - 1));
    EXPECT_EQ(capture.position(), capture.length());
    EXPECT_TRUE(capture.is_end());

    const auto side = read_file(index_path);
    break_second_record();  // a scan would now find one record
    EXPECT_TRUE(same_entries(open_index(), capture.index()));
    EXPECT_EQ(read_file(index_path), side);
}

// The fast open checks the side file's ends only. Entries in between that
// point into a record, are set back in time (still in order) or leave a record
// out must not move a seek past its target: the side file is rebuilt.
TEST_F(CaptureIndexTest, SeekLandsOnTheFirstRecordAtOrAfterItsTargetWhateverTheSideFileSays) {
    const auto good_entries = open_index();
    const auto good = read_file(index_path);
    auto entry = [](std::vector<uint8_t>& b, size_t k) { return &b[24 + 16 * k]; };
    const std::vector<std::pair<const char*, std::function<void(std::vector<uint8_t>&)>>> damages =
        {
            {"off its record",
             [&](auto& b) { store_le64(entry(b, 3) + 8, good_entries[3].offset + 8); }},
            {"set back in time",
             [&](auto& b) {
                 for (size_t k : {3, 4}) store_le64(entry(b, k), good_entries[2].time);
             }},
            {"record left out",
             [&](auto& b) {
                 b.erase(b.begin() + 24 + 16 * 3, b.begin() + 24 + 16 * 4);
                 store_le64(&b[16], 5);
             }},
        };
    for (const auto& [name, damage] : damages) {
        std::vector<uint8_t> side = good;
        damage(side);
        write_file(index_path, side);
        Capture capture;
        ASSERT_EQ(capture.open_for_read(path).code, 0) << name;
        ASSERT_EQ(capture.seek(good_entries[3].time - 1).code, 0) << name;
        EXPECT_EQ(capture.position(), good_entries[3].time) << name;
        EXPECT_EQ(read_all(capture), std::vector<Packet>(packets.begin() + 3, packets.end()))
            << name;
        EXPECT_EQ(read_file(index_path), good) << name;
    }
}
