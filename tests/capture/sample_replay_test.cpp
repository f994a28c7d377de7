// The sample capture of two simulated sensors: replayed, it gives the same
// sensors and the same points as its packets received live, and every packet
// when its clock steps back or a record is damaged.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <vector>

#include "capture/capture_replay.h"
#include "capture_test_support.h"
#include "core/byte_order.h"
#include "druvex_sdk.h"
#include "replay_session.h"
#include "sample_capture.h"
#include "support/recorded_capture.h"
#include "support/wait.h"

using druvex::testing::capture_records;
using druvex::testing::CaptureRecord;
using druvex_sdk::replayed_handle_bit;
using namespace capture_test;

namespace {

struct RawFrame {
    uint64_t handle;
    std::vector<DruvexSensorRawPointWithTime> points;
};

struct FrameLog {
    std::mutex mutex;
    std::vector<RawFrame> frames;

    static void on_frame(uint64_t handle, size_t n, const DruvexSensorRawPointWithTime* points,
                         void* self) {
        auto* log = static_cast<FrameLog*>(self);
        std::lock_guard<std::mutex> lock(log->mutex);
        log->frames.push_back({handle, {points, points + n}});
    }

    std::vector<RawFrame> take() {
        std::lock_guard<std::mutex> lock(mutex);
        return std::move(frames);
    }
};

bool same_points(const RawFrame& a, const RawFrame& b) {
    return a.points.size() == b.points.size() &&
           std::memcmp(a.points.data(), b.points.data(),
                       a.points.size() * sizeof(DruvexSensorRawPointWithTime)) == 0;
}

std::vector<CaptureRecord> records_of(const std::string& path) {
    const std::vector<uint8_t> bytes = read_file(path);
    return capture_records(bytes.data(), bytes.size());
}

// Sets the records from number `first` on back by `seconds`.
void set_clock_back(const std::string& path, size_t first, uint32_t seconds) {
    std::vector<uint8_t> bytes = read_file(path);
    const std::vector<CaptureRecord> records = capture_records(bytes.data(), bytes.size());
    for (size_t k = first; k < records.size(); ++k) {
        const auto ts_sec = static_cast<uint32_t>(records[k].time_usec / 1000000);
        druvex_sdk::store_le32(&bytes[records[k].offset], ts_sec - seconds);
    }
    write_file(path, bytes);
}

// My own replay clock of the records: it runs with their times and stands
// still where they step back.
std::vector<int64_t> replay_clock(const std::vector<CaptureRecord>& records) {
    std::vector<int64_t> clock{0};
    for (size_t k = 1; k < records.size(); ++k) {
        clock.push_back(clock.back() +
                        std::max<int64_t>(records[k].time_usec - records[k - 1].time_usec, 0));
    }
    return clock;
}

float seconds_of(int64_t usec) { return static_cast<float>(usec) * 0.000001f; }

bool said(ReplaySession& session, const std::string& text) {
    for (const std::string& error : session.errors()) {
        if (error.find(text) != std::string::npos) return true;
    }
    return false;
}

// Seeks to random positions of the open global replay: each lands on the
// first record at or after its target on the replay clock, whose packet is
// the next one replayed, with the record's own time.
void expect_seeks_land_on_the_clock(ReplaySession& session,
                                    const std::vector<CaptureRecord>& records) {
    const std::vector<int64_t> clock = replay_clock(records);
    std::mt19937 random(27);
    std::uniform_real_distribution<float> target(0.0f, seconds_of(clock.back()));
    for (int n = 0; n < 100; ++n) {
        const float seconds = target(random);
        const int64_t usec = static_cast<int64_t>(seconds * 1000000.0f);
        const size_t k = std::lower_bound(clock.begin(), clock.end(), usec) - clock.begin();
        ASSERT_LT(k, records.size());
        ASSERT_EQ(druvex_sdk_capture_replay_seek(seconds), 0) << seconds;
        EXPECT_EQ(druvex_sdk_capture_replay_get_position(), seconds_of(clock[k])) << seconds;
        const size_t before = session.count();
        ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking_once(), 0);
        ASSERT_EQ(session.count(), before + 1);
        const Packet got = session.packets().back();
        EXPECT_EQ(got.timestamp, records[k].time_usec) << seconds;
        EXPECT_EQ(got.data.size() + 42, records[k].length) << seconds;
    }
}

ino_t inode_of(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_ino : 0;
}

}  // namespace

TEST(SampleCapture, ReplayGivesTheSamePointsAsLiveReception) {
    ReplaySession session;
    FrameLog log;
    ASSERT_EQ(druvex_sdk_listen_raw_frames(&FrameLog::on_frame, &log), 0);
    const auto traffic = druvex_sample::sample_traffic(0.3);
    for (const auto& p : traffic) {
        ASSERT_EQ(druvex_sdk_mock_network_receive(p.handle, p.timestamp_us, p.bytes.data(),
                                                  p.bytes.size()),
                  0);
    }
    const auto live = log.take();
    ASSERT_FALSE(live.empty());
    ASSERT_EQ(druvex_sdk_clear(), 0);

    TempDir dir;
    const std::string path = dir.path("sample.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 0.3).code, 0);
    druvex_sdk::CaptureReplay replay;
    ASSERT_EQ(replay.open(path).code, 0);
    ASSERT_EQ(replay.resume_blocking(10.0f).code, 0);
    EXPECT_EQ(session.count(), traffic.size());
    const auto replayed = log.take();

    ASSERT_EQ(replayed.size(), live.size());
    for (size_t k = 0; k < live.size(); ++k) {
        EXPECT_EQ(replayed[k].handle, live[k].handle + replayed_handle_bit) << k;
        EXPECT_TRUE(same_points(replayed[k], live[k])) << k;
    }
    ASSERT_EQ(druvex_sdk_get_n_sensors(), 2);
    uint16_t models[2] = {};
    for (int k = 0; k < 2; ++k) {
        const uint64_t handle = druvex_sample::sample_sensor_handles[k] + replayed_handle_bit;
        DruvexSensorInformation info{};
        ASSERT_EQ(druvex_sdk_get_sensor_information(handle, &info), 0);
        EXPECT_EQ(info.handle, handle);
        EXPECT_NE(info.flags & DRUVEX_SENSOR_FLAG_IS_MOCKED, 0u);
        models[k] = info.model;
    }
    EXPECT_NE(models[0], models[1]);
}

// The recording machine's clock was set back 2 s during the sample capture,
// and 1 s during a short one: every packet plays, in file order, with its own
// time, on a clock that never goes back; seeks land as that clock says, from
// a scan and from the side index alike.
TEST(SampleCapture, ClockSetBackStillReplaysEveryPacket) {
    ReplaySession session;
    TempDir dir;
    const std::string path = dir.path("stepped.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 3.0).code, 0);
    set_clock_back(path, 3000, 2);
    const std::vector<CaptureRecord> records = records_of(path);
    ASSERT_EQ(records.size(), 7282u);
    const std::vector<int64_t> clock = replay_clock(records);
    ino_t side_file = 0;
    for (const bool with_side_index : {false, true}) {
        ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0) << with_side_index;
        EXPECT_EQ(druvex_sdk_capture_replay_get_length(), seconds_of(clock.back()));
        EXPECT_GT(druvex_sdk_capture_replay_get_length(), 2.9f);
        expect_seeks_land_on_the_clock(session, records);
        if (with_side_index) {
            EXPECT_EQ(inode_of(path + ".dvx"), side_file) << "the side index is used as it is";
        }
        side_file = inode_of(path + ".dvx");
    }
    EXPECT_TRUE(said(session, path + ": the recording's clock steps back at byte " +
                                  std::to_string(records[3000].offset)));

    ASSERT_EQ(druvex_sdk_capture_replay_rewind(), 0);
    const size_t before = session.count();
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(100.0f), 0);
    const std::vector<Packet> replayed = session.packets();
    ASSERT_EQ(replayed.size() - before, records.size());
    for (size_t k = 0; k < records.size(); ++k) {
        ASSERT_EQ(replayed[before + k].timestamp, records[k].time_usec) << k;
    }
    EXPECT_EQ(druvex_sdk_capture_replay_get_position(), seconds_of(clock.back()));

    const std::string short_path = dir.path("short.pcap");
    std::vector<Packet> packets = sample_packets(27, 20000);
    for (size_t k = 13; k < packets.size(); ++k) packets[k].timestamp -= 1000000;
    write_capture(short_path, packets);
    ASSERT_EQ(druvex_sdk_capture_replay_open(short_path.c_str()), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_get_length(), seconds_of(25 * 20000));
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(100.0f), 0);
    const std::vector<Packet> short_replayed = session.packets();
    ASSERT_EQ(short_replayed.size() - replayed.size(), packets.size());
    for (size_t k = 0; k < packets.size(); ++k) {
        EXPECT_EQ(short_replayed[replayed.size() + k].timestamp, packets[k].timestamp) << k;
        EXPECT_EQ(short_replayed[replayed.size() + k].data, packets[k].data) << k;
    }
}

// A damaged length or a cut file: the records before it replay, and the open
// says where, at the record's own byte, and what was kept. A bit flipped high
// in a length (over 262,144 bytes), one flipped just above the snap length
// (70,000 bytes, past the file's end and inside it), and a copy that stopped
// in the middle of a record.
TEST(SampleCapture, DamagedOrCutRecordKeepsTheRecordsBeforeIt) {
    ReplaySession session;
    TempDir dir;
    const std::string path = dir.path("damaged.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 3.0).code, 0);
    const std::vector<uint8_t> sample = read_file(path);
    const std::vector<CaptureRecord> records = capture_records(sample.data(), sample.size());
    ASSERT_EQ(records.size(), 7282u);
    const auto claim = [&](size_t k, uint32_t length) {
        std::vector<uint8_t> bytes = sample;
        druvex_sdk::store_le32(&bytes[records[k].offset + 8], length);
        return bytes;
    };
    const auto head = [](std::vector<uint8_t> bytes, size_t size) {
        bytes.resize(size);
        return bytes;
    };
    const std::string snap = " bytes, more than the capture's snap length of 65535 allows";
    struct Case {
        std::vector<uint8_t> bytes;
        size_t kept;
        std::string says;
    };
    const std::vector<Case> cases = {
        {claim(3000, records[3000].length ^ (1u << 20)), 3000,
         " claims " + std::to_string(records[3000].length ^ (1u << 20)) + snap},
        {claim(3000, 70000), 3000, " claims 70000" + snap},
        {head(claim(2, 70000), records[40].offset), 2, " claims 70000" + snap},
        {head(sample, records[5000].offset + 100), 5000, " (cut short)"},
    };
    for (const Case& c : cases) {
        write_file(path, c.bytes);
        ::unlink((path + ".dvx").c_str());
        const size_t before = session.count();
        for (int open = 0; open < 2; ++open) {  // scanned, then from the side index
            ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0) << c.says;
            const std::vector<CaptureRecord> kept(records.begin(), records.begin() + c.kept);
            EXPECT_EQ(druvex_sdk_capture_replay_get_length(),
                      seconds_of(replay_clock(kept).back()));
        }
        ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(100.0f), 0);
        EXPECT_EQ(session.count() - before, c.kept) << c.says;
        const std::string record = "record at byte " + std::to_string(records[c.kept].offset);
        const std::string said_text =
            "-13: " + path + ": " + (c.kept == 5000 ? "the file ends inside the " : "") + record +
            c.says + ": the " + std::to_string(c.kept) + " records before it";
        EXPECT_TRUE(said(session, said_text)) << ::testing::PrintToString(session.errors());
    }
}

// Moves the file's modification time by `seconds` from that of `other`.
void set_modified(const std::string& path, const std::string& other, int seconds) {
    struct stat info {};
    ASSERT_EQ(::stat(other.c_str(), &info), 0);
    timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
    times[1].tv_sec += seconds;
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

// The side index is only a cache: with none, with one older than the
// capture's change, and with one the changed capture's time was set back
// before, a capture plays the same packets and says the same words, each
// damage once at its own byte; after the damage is found, so does the next
// open.
TEST(SampleCapture, SideIndexNeverChangesWhatAReplayPlaysOrSays) {
    ReplaySession session;
    TempDir dir;
    const std::string path = dir.path("changed.pcap");
    const std::string side = path + ".dvx";
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 3.0).code, 0);
    std::vector<uint8_t> sample = read_file(path);
    std::vector<CaptureRecord> records = capture_records(sample.data(), sample.size());
    sample.resize(records[300].offset);
    records.resize(300);
    const auto claim = [&](std::vector<uint8_t> bytes, size_t k, uint32_t length) {
        druvex_sdk::store_le32(&bytes[records[k].offset + 8], length);
        druvex_sdk::store_le32(&bytes[records[k].offset + 12], length);
        return bytes;
    };
    const auto snap_length = [](std::vector<uint8_t> bytes, uint32_t length) {
        druvex_sdk::store_le32(&bytes[16], length);
        return bytes;
    };
    // Record 150 padded to 66,000 bytes: whole where the snap length is 0,
    // too long for the 65,535 of the sample.
    std::vector<uint8_t> padded(sample.begin(), sample.begin() + records[151].offset);
    padded.resize(records[150].offset + 16 + 66000);
    padded.insert(padded.end(), sample.begin() + records[151].offset, sample.end());
    padded = claim(padded, 150, 66000);
    const std::string snap = " bytes, more than the capture's snap length of 65535 allows";
    struct Case {
        std::vector<uint8_t> before, after;  // the capture changed in place
        size_t kept;
        std::string says;
    };
    const auto at = [&](size_t k) { return "record at byte " + std::to_string(records[k].offset); };
    const std::vector<Case> cases = {
        {sample, claim(sample, 100, 0), 100, at(100) + " has length 0"},
        {sample, claim(sample, 150, 70000), 150, at(150) + " claims 70000" + snap},
        {sample, claim(sample, 297, 65535), 297,
         "the file ends inside the " + at(297) + " (cut short)"},
        {snap_length(padded, 0), snap_length(padded, 65535), 150, at(150) + " claims 66000" + snap},
    };
    struct Outcome {
        size_t packets;
        std::vector<std::string> words;
        float length_at_open, length;
        bool operator==(const Outcome& o) const {
            return packets == o.packets && words == o.words && length == o.length;
        }
    };
    const auto replay = [&] {
        const size_t packets = session.count();
        const size_t words = session.errors().size();
        EXPECT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0);
        const float length_at_open = druvex_sdk_capture_replay_get_length();
        EXPECT_EQ(druvex_sdk_capture_replay_resume_blocking(100.0f), 0);
        const std::vector<std::string> errors = session.errors();
        return Outcome{session.count() - packets,
                       {errors.begin() + words, errors.end()},
                       length_at_open,
                       druvex_sdk_capture_replay_get_length()};
    };
    enum Side { none, older, set_back };
    for (const Case& c : cases) {
        std::vector<Outcome> outcomes;
        for (const Side kind : {none, older, set_back}) {
            write_file(path, c.before);
            ::unlink(side.c_str());
            if (kind != none) {  // the side file of the capture as it was
                ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0);
                ASSERT_EQ(druvex_sdk_capture_replay_close(), 0);
            }
            write_file(path, c.after);
            if (kind != none) set_modified(path, side, kind == older ? 1 : -10);
            outcomes.push_back(replay());
            outcomes.push_back(replay());  // the next open, after the damage was found
        }
        const Outcome& scanned = outcomes.front();
        EXPECT_EQ(scanned.packets, c.kept) << c.says;
        ASSERT_EQ(scanned.words.size(), 1u) << ::testing::PrintToString(scanned.words);
        EXPECT_EQ(scanned.words[0].rfind("-13: " + path + ": " + c.says + ": the " +
                                             std::to_string(c.kept) + " records before it (",
                                         0),
                  0u)
            << scanned.words[0];
        for (size_t k = 0; k < outcomes.size(); ++k) {
            EXPECT_TRUE(outcomes[k] == scanned) << c.says << " " << outcomes[k].packets << " "
                                                << ::testing::PrintToString(outcomes[k].words);
            // Only a clock set back hides the change until it is read.
            if (k != 2 * set_back) {
                EXPECT_EQ(outcomes[k].length_at_open, scanned.length) << c.says << k;
            }
        }
    }
}

// A replay paused longer than the silence after which a sensor gives back its
// buffers goes on with its unfinished frames: played with a pause of 3 s in
// the middle, the sample gives the frames it gives played straight through.
TEST(SampleCapture, ReplayPausedForSecondsResumesWithWholeFrames) {
    ReplaySession session;
    FrameLog log;
    ASSERT_EQ(druvex_sdk_listen_raw_frames(&FrameLog::on_frame, &log), 0);
    DruvexSDKFrameOptions options = druvex_sdk_create_frame_options();
    options.mode = DRUVEX_SDK_FRAME_HALF_SCAN;  // timed frames for one of the two sensors
    ASSERT_EQ(druvex_sdk_set_frame_options(&options), 0);
    TempDir dir;
    const std::string path = dir.path("sample.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 2.0).code, 0);
    ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.5f), 0);  // the first frames are withheld
    log.take();

    ASSERT_EQ(druvex_sdk_capture_replay_seek(0.25f), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(10.0f), 0);
    const std::vector<RawFrame> straight = log.take();

    ASSERT_EQ(druvex_sdk_capture_replay_seek(0.25f), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.5f), 0);
    const size_t before_pause = log.take().size();
    // Another sender's information packets make the SDK look for silent
    // sensors while the replay is paused, as any traffic it routes would. The
    // pause must outlast the silence that releases them: time is the step.
    const std::vector<Packet> replayed = session.packets();
    const auto info = std::find_if(replayed.begin(), replayed.end(), [](const Packet& packet) {
        return packet.data.size() > 3 && std::memcmp(packet.data.data(), "INF", 3) == 0;
    });
    ASSERT_NE(info, replayed.end());
    const druvex::testing::Deadline paused(3.0);
    while (!paused.passed()) {
        ASSERT_EQ(druvex_sdk_mock_network_receive(0x0a000063, info->timestamp, info->data.data(),
                                                  info->data.size()),
                  0);
        druvex::testing::pause_for(0.05);
    }
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(10.0f), 0);
    const std::vector<RawFrame> resumed = log.take();
    EXPECT_EQ(druvex_sdk_capture_replay_close(), 0);

    ASSERT_GT(before_pause, 10u);
    ASSERT_EQ(before_pause + resumed.size(), straight.size());
    for (size_t k = 0; k < resumed.size(); ++k) {
        const RawFrame& expected = straight[before_pause + k];
        EXPECT_EQ(resumed[k].handle, expected.handle) << k;
        EXPECT_TRUE(same_points(resumed[k], expected)) << k;
    }
}

namespace {

// A frame callback that hands a data packet of the frame's own sensor back to
// the SDK, and keeps what the SDK answered.
struct Echo {
    std::map<uint64_t, Packet> data_packets;  // by replayed handle
    std::mutex mutex;
    std::vector<int32_t> answers;

    static void on_frame(uint64_t handle, size_t, const DruvexSensorRawPointWithTime*, void* self) {
        auto* echo = static_cast<Echo*>(self);
        const Packet& packet = echo->data_packets.at(handle);
        const int32_t code = druvex_sdk_mock_network_receive(
            handle, packet.timestamp, packet.data.data(), packet.data.size());
        const char* text = nullptr;
        druvex_sdk_get_error(&text);
        std::lock_guard<std::mutex> lock(echo->mutex);
        echo->answers.push_back(code == DRUVEX_ERROR_GENERIC &&
                                        std::string(text) ==
                                            "DRUVEX_ERROR_GENERIC: Resource deadlock avoided"
                                    ? 0
                                : code == 0 ? 1
                                            : code);
    }

    size_t refused() {
        std::lock_guard<std::mutex> lock(mutex);
        return static_cast<size_t>(std::count(answers.begin(), answers.end(), 0));
    }
    size_t count() {
        std::lock_guard<std::mutex> lock(mutex);
        return answers.size();
    }
};

}  // namespace

// The packet would need the frame's delivery, which its callback holds: it is
// refused at once, in a blocking replay as on the replay thread, and the
// replay plays on.
TEST(SampleCapture, FrameCallbackCannotFeedItsSensorBack) {
    ReplaySession session;
    TempDir dir;
    const std::string path = dir.path("sample.pcap");
    ASSERT_EQ(druvex_sample::write_sample_capture(path, 2.0).code, 0);
    ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.2f), 0);
    Echo echo;
    for (const Packet& packet : session.packets()) {
        if (packet.data.size() > 3 && std::memcmp(packet.data.data(), "STD", 3) == 0) {
            echo.data_packets.emplace(packet.handle, packet);
        }
    }
    ASSERT_EQ(echo.data_packets.size(), 2u);
    ASSERT_EQ(druvex_sdk_listen_raw_frames(&Echo::on_frame, &echo), 0);

    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.5f), 0);
    const size_t blocking = echo.count();
    EXPECT_GT(blocking, 5u);
    ASSERT_EQ(druvex_sdk_capture_replay_set_speed(5.0f), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume(), 0);
    EXPECT_TRUE(
        druvex::testing::wait_until([] { return druvex_sdk_capture_replay_is_end() == 1; }));
    EXPECT_EQ(druvex_sdk_capture_replay_close(), 0);
    EXPECT_GT(echo.count(), blocking);
    EXPECT_EQ(echo.refused(), echo.count());
}
