// A viewer killed while it records with the IMU demo running: what it
// recorded is under the names the user chose, and the demo tool ends with it.
#include "app/capture_recorder.h"
#include "app/imu_reader.h"
#include "demo_standin.h"
#include "formats/imu_capture.h"
#include "support/process_runner.h"
#include "support/recorded_capture.h"
#include "support/wait.h"

#include "capture/capture.h"

#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

namespace druvex {
namespace {

using namespace druvex::testing;

constexpr int packets_written = 40;
constexpr size_t datagram_size = 64;

off_t file_size(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : -1;
}

// Gone, or a zombie that nobody reaped yet.
// The viewer's recording side in a process of its own: the demo tool runs,
// packets and samples are recorded as the application records them. Says
// so on `ready` once the packets and the tool's one sample are in the files,
// and records on until it is killed.
[[noreturn]] void record_until_killed(const std::string& capture, int ready) {
    ImuReader reader;
    reader.start(imu_demo_command);
    CaptureRecorder recorder;
    ImuCapture imu;
    if (!recorder.start(capture, false, nullptr) ||
        !imu.open(imu_side_file_path(capture), false, nullptr)) {
        ::_exit(2);
    }
    const uint8_t datagram[datagram_size] = {7};
    for (int i = 0; i < packets_written; ++i) {
        recorder.append(0x7F000001, 1700000000000000 + i * 5000, datagram, sizeof datagram);
    }
    const off_t all_packets = 24 + packets_written * (58 + datagram_size);
    for (bool told = false;;) {
        recorder.flush_if_due();  // the application's once-a-frame call
        std::vector<int64_t> times;
        std::vector<ImuSample> samples;
        reader.take_samples(times, samples);
        for (size_t i = 0; i < times.size(); ++i) imu.append(times[i], samples[i]);
        if (!told && imu.size() == 1 && file_size(capture) >= all_packets) {
            told = ::write(ready, "r", 1) == 1;
        }
        ::poll(nullptr, 0, 20);
    }
}

std::vector<std::string> leftovers(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = ::opendir(dir.c_str())) {
        while (dirent* e = ::readdir(d)) {
            if (std::string(e->d_name).find(".tmp-") != std::string::npos)
                names.push_back(e->d_name);
        }
        ::closedir(d);
    }
    return names;
}

TEST(KilledRecorderTest, RecordingStaysUnderItsNameAndTheDemoToolEndsToo) {
    if (!executable_exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
    const std::string dir = make_temp_dir();
    const std::string capture = dir + "/run1.pcap";
    // A tool that falls silent: only the end of the viewer can end it, not a
    // write into a pipe nobody reads any more.
    const std::string pid_file =
        use_demo_standin(dir, "1 0 0 0 0 0 0|0.7071068 0 0 0.7071068 0 0 0", "wait");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t recorder = ::fork();
    ASSERT_GE(recorder, 0);
    if (recorder == 0) {
        ::close(ready[0]);
        record_until_killed(capture, ready[1]);
    }
    ::close(ready[1]);
    pollfd told{ready[0], POLLIN, 0};
    const bool recording = ::poll(&told, 1, 30000) == 1;
    ::close(ready[0]);
    const pid_t tool = std::atoi(read_file(pid_file).c_str());
    ::kill(recorder, SIGKILL);
    ::waitpid(recorder, nullptr, 0);
    forget_demo_standin();
    ASSERT_TRUE(recording) << "the recording never got going";

    ASSERT_GT(tool, 0);
    EXPECT_TRUE(wait_until([&] { return !process_running(tool); }, 5.0))
        << "the demo tool outlived the viewer";
    ::kill(tool, SIGKILL);  // a failure above must not leave it running

    EXPECT_EQ(recorded_packet_times(capture).size(), size_t(packets_written));
    if (executable_exists("/usr/bin/capinfos")) {
        std::string output;
        EXPECT_EQ(run_process({"/usr/bin/capinfos", "-c", "-M", capture}, {}, output), 0);
        const size_t at = output.find("Number of packets:");
        ASSERT_NE(at, std::string::npos) << output;
        EXPECT_EQ(std::atoi(output.c_str() + at + 18), packets_written) << output;
    }
    EXPECT_EQ(file_size(imu_side_file_path(capture)), off_t(imu_record_size));
    EXPECT_TRUE(leftovers(dir).empty());
}

}  // namespace
}  // namespace druvex
