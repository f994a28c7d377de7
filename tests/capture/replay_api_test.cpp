// The exported replay calls over the SDK's global replay.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "capture/capture_replay.h"
#include "capture_test_support.h"
#include "druvex_sdk.h"
#include "replay_session.h"
#include "support/wait.h"

using namespace capture_test;

namespace {

std::string take_error() {
    const char* text = nullptr;
    druvex_sdk_get_error(&text);
    return text;
}

// What a network-packet callback got back from calls it must not make, on
// the first packet it is given; it counts every packet.
struct Forbidden {
    std::string path;
    bool own_thread = false;
    std::atomic<int> calls{0};
    std::vector<std::string> answers;
};

std::string answer(int32_t code) { return std::to_string(code) + " " + take_error(); }

void make_forbidden_calls(uint64_t, int64_t, const uint8_t*, size_t, void* user) {
    auto* forbidden = static_cast<Forbidden*>(user);
    if (forbidden->calls++ != 0) return;
    forbidden->answers = {answer(druvex_sdk_capture_replay_close()),
                          answer(druvex_sdk_capture_replay_open(forbidden->path.c_str())),
                          answer(druvex_sdk_capture_replay_seek(0.0f)),
                          answer(druvex_sdk_capture_replay_resume()),
                          answer(druvex_sdk_capture_replay_resume_blocking(1.0f)),
                          answer(druvex_sdk_capture_replay_resume_blocking_once()),
                          answer(druvex_sdk_deinitialize())};
    // On its own thread, a replay cannot wait for that thread to end either.
    if (forbidden->own_thread) {
        forbidden->answers.push_back(answer(druvex_sdk_capture_replay_pause()));
        forbidden->answers.push_back(answer(druvex_sdk_capture_replay_set_speed(2.0f)));
        forbidden->answers.push_back(answer(druvex_sdk_capture_replay_set_enable_loop(1)));
    }
}

}  // namespace

TEST(ReplayApi, AnswersBeforeInitialisation) {
    TempDir dir;
    const std::string path = dir.path("a.pcap");
    write_capture(path, sample_packets(3, 1000));
    EXPECT_EQ(druvex_sdk_capture_replay_open(path.c_str()), DRUVEX_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(take_error(), "DRUVEX_ERROR_NOT_INITIALIZED");
    EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_get_speed(), 1.0f);
    EXPECT_EQ(druvex_sdk_capture_replay_is_end(), 1);
    EXPECT_EQ(druvex_sdk_capture_replay_is_running(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_get_enable_loop(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_get_start_time(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_get_position(), 0.0f);
    EXPECT_EQ(druvex_sdk_capture_replay_set_speed(2.0f), DRUVEX_ERROR_NOT_INITIALIZED);
    EXPECT_EQ(druvex_sdk_capture_replay_resume_blocking_once(), DRUVEX_ERROR_NOT_INITIALIZED);
    take_error();
    EXPECT_EQ(druvex_sdk_capture_replay_close(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_pause(), 0);
}

// What cannot be replayed is refused with a text that names the file and
// says what is wrong with it, and the replay stays closed.
TEST(ReplayApi, RefusalsSayWhatIsWrongWithTheFile) {
    ReplaySession session;
    TempDir dir;
    // Records after a damaged one are lost, but a damaged first leaves none;
    // nor does a file that ends inside its first.
    PcapBuilder huge;
    huge.record_with_length(2000, frame({}, payload(10, 2)), 70000);
    std::vector<uint8_t> cut = PcapBuilder().record(2000, frame({}, payload(10, 2))).bytes();
    cut.pop_back();
    struct Case {
        std::vector<uint8_t> bytes;
        const char* code;
        std::string reason;
    };
    const std::vector<Case> cases = {
        {{}, "DRUVEX_ERROR_FILE_IO", "the file is empty (0 bytes)"},
        {std::vector<uint8_t>(10, 0xD4), "DRUVEX_ERROR_FILE_IO",
         "the file is too short for a pcap header (10 bytes)"},
        {PcapBuilder().bytes(), "DRUVEX_ERROR_EOF", "the capture holds no packets"},
        {huge.bytes(), "DRUVEX_ERROR_CORRUPT_FILE",
         "record at byte 24 claims 70000 bytes, more than the capture's snap length of 65535 "
         "allows"},
        {cut, "DRUVEX_ERROR_EOF",
         "the capture holds no packets: the file ends inside the record at byte 24 (cut short)"},
    };
    const std::string path = dir.path("refused.pcap");
    EXPECT_NE(druvex_sdk_capture_replay_open(path.c_str()), 0);
    EXPECT_EQ(take_error(), "DRUVEX_ERROR_FILE_IO: " + path + ": No such file or directory");
    for (const Case& c : cases) {
        write_file(path, c.bytes);
        EXPECT_NE(druvex_sdk_capture_replay_open(path.c_str()), 0) << c.reason;
        EXPECT_EQ(take_error(), std::string(c.code) + ": " + path + ": " + c.reason);
        EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 0) << c.reason;
    }
}

TEST(ReplayApi, DrivesTheGlobalReplay) {
    ReplaySession session;
    TempDir dir;
    const std::string path = dir.path("b.pcap");
    const auto packets = sample_packets(6, 10000);
    write_capture(path, packets);

    EXPECT_EQ(druvex_sdk_capture_replay_rewind(), DRUVEX_ERROR_NOT_OPEN);
    EXPECT_EQ(take_error(), "DRUVEX_ERROR_NOT_OPEN");
    EXPECT_EQ(druvex_sdk_capture_replay_open(nullptr), DRUVEX_ERROR_INVALID_ARGUMENTS);
    take_error();

    ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 1);
    EXPECT_EQ(druvex_sdk_capture_replay_get_start_time(), packets[0].timestamp);
    EXPECT_FLOAT_EQ(druvex_sdk_capture_replay_get_length(), 0.05f);
    EXPECT_EQ(druvex_sdk_capture_replay_set_enable_loop(2), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_get_enable_loop(), 1);
    EXPECT_EQ(druvex_sdk_capture_replay_set_speed(5.01f), DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(take_error(), "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid replay speed!");

    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking_once(), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_seek(0.02f), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume_blocking(0.0f), 0);
    EXPECT_FLOAT_EQ(druvex_sdk_capture_replay_get_position(), 0.03f);
    ASSERT_EQ(druvex_sdk_capture_replay_rewind(), 0);
    ASSERT_EQ(druvex_sdk_capture_replay_resume(), 0);
    ASSERT_TRUE(session.wait_for(3 + 6));
    ASSERT_EQ(druvex_sdk_capture_replay_pause(), 0);
    const auto got = session.packets();
    EXPECT_EQ(got[0].handle, packets[0].handle + druvex_sdk::replayed_handle_bit);
    EXPECT_EQ(got[1].data, packets[2].data);
    EXPECT_EQ(got[3].data, packets[0].data);

    ASSERT_EQ(druvex_sdk_capture_replay_resume(), 0);
    EXPECT_EQ(druvex_sdk_deinitialize(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 0);
    EXPECT_EQ(druvex_sdk_capture_replay_is_running(), 0);
}

// An earlier failure left unfetched on the calling thread must not make a
// valid open fail or stop a blocking replay after its first packet.
TEST(ReplayApi, UnfetchedEarlierErrorDoesNotStopTheReplay) {
    ReplaySession session;
    TempDir dir;
    const std::string path = dir.path("c.pcap");
    write_capture(path, sample_packets(6, 10000));
    ASSERT_EQ(druvex_sdk_capture_replay_set_speed(0.0f), DRUVEX_ERROR_INVALID_ARGUMENTS);

    EXPECT_EQ(druvex_sdk_capture_replay_open(path.c_str()), DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(druvex_sdk_capture_replay_is_open(), 1);
    EXPECT_EQ(druvex_sdk_capture_replay_resume_blocking(1.0f), DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_EQ(session.count(), 6u);
    EXPECT_EQ(take_error(), "DRUVEX_ERROR_INVALID_ARGUMENTS: Invalid replay speed!");
    EXPECT_EQ(druvex_sdk_capture_replay_close(), 0);
}

// A callback of a replay, blocking or on its thread, cannot close, reopen,
// move or play again the capture whose packet it is given, nor take the SDK
// down: each call is refused before it changes anything, and the replay plays
// on to the end.
TEST(ReplayApi, CallbackOfAReplayCannotPullItsPacketAway) {
    ReplaySession session;
    TempDir dir;
    for (const bool own_thread : {false, true}) {
        Forbidden forbidden;
        forbidden.path = dir.path("d.pcap");
        forbidden.own_thread = own_thread;
        write_capture(forbidden.path, sample_packets(6, 10000));
        ASSERT_EQ(druvex_sdk_capture_replay_open(forbidden.path.c_str()), 0);
        ASSERT_EQ(druvex_sdk_unlisten_network_packet(), 0);
        ASSERT_EQ(druvex_sdk_listen_network_packet(make_forbidden_calls, &forbidden), 0);
        if (own_thread) {
            ASSERT_EQ(druvex_sdk_capture_replay_resume(), 0);
            EXPECT_TRUE(druvex::testing::wait_until(
                [] { return druvex_sdk_capture_replay_is_running() == 0; }));
        } else {
            EXPECT_EQ(druvex_sdk_capture_replay_resume_blocking(1.0f), 0);
        }
        const std::string refused = "-1 DRUVEX_ERROR_GENERIC: Resource deadlock avoided";
        EXPECT_EQ(forbidden.answers, std::vector<std::string>(own_thread ? 10 : 7, refused));
        EXPECT_EQ(forbidden.calls, 6) << own_thread;
        EXPECT_EQ(druvex_sdk_capture_replay_is_end(), 1);
        EXPECT_EQ(druvex_sdk_capture_replay_get_speed(), 1.0f);
        EXPECT_EQ(druvex_sdk_capture_replay_get_enable_loop(), 0);
        EXPECT_EQ(druvex_sdk_is_initialized(), 1);
        ASSERT_EQ(druvex_sdk_unlisten_network_packet(), 0);
    }
}

// A link planted at the side index's name, symbolic or hard, is replaced by
// the index, never written through: the file it led to keeps its bytes, and
// nothing else is left in the folder.
TEST(ReplayApi, LinkAtTheSideIndexNameIsReplacedNotFollowed) {
    ReplaySession session;
    for (const bool symbolic : {true, false}) {
        TempDir dir;
        const std::string path = dir.path("d.pcap");
        const std::string side_file = path + ".dvx";
        write_capture(path, sample_packets(6, 10000));
        const std::string notes = dir.path("notes.txt");
        write_file(notes, payload(300, 7));
        ASSERT_EQ((symbolic ? ::symlink : ::link)(notes.c_str(), side_file.c_str()), 0);
        ASSERT_EQ(druvex_sdk_capture_replay_open(path.c_str()), 0) << symbolic;
        EXPECT_EQ(read_file(notes), payload(300, 7)) << symbolic;
        struct stat info {};
        ASSERT_EQ(::lstat(side_file.c_str(), &info), 0);
        EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_nlink == 1) << symbolic;
        EXPECT_EQ(info.st_size, 24 + 6 * 16) << symbolic;
        const auto entries =
            std::filesystem::directory_iterator(std::filesystem::path(path).parent_path());
        EXPECT_EQ(std::distance(begin(entries), end(entries)), 3) << symbolic;
        EXPECT_EQ(druvex_sdk_capture_replay_close(), 0);
    }
}
