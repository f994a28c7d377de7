// The IMU demo reader against a stand-in demo tool, run by the real command line.
#include "app/imu_reader.h"
#include "demo_standin.h"
#include "support/process_runner.h"
#include "support/wait.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>

namespace druvex {
namespace {

using testing::wait_until;

bool process_alive(pid_t pid) { return pid > 0 && (::kill(pid, 0) == 0 || errno != ESRCH); }

class ImuReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!testing::executable_exists("/usr/bin/python3")) GTEST_SKIP() << "no python3";
        dir_ = testing::make_temp_dir();
    }
    void TearDown() override {
        reader.stop();
        testing::forget_demo_standin();
    }
    void start(const std::string& lines, const char* then) {
        pid_file_ = testing::use_demo_standin(dir_, lines, then);
        reader.start(imu_demo_command);
    }
    pid_t tool_pid() { return std::atoi(testing::read_file(pid_file_).c_str()); }
    std::vector<ImuSample> take() {
        std::vector<int64_t> times;
        std::vector<ImuSample> samples;
        reader.take_samples(times, samples);
        EXPECT_EQ(times.size(), samples.size());
        return samples;
    }

    ImuReader reader;
    std::string dir_, pid_file_;
};

// The first line is the reference; lines of any length or with NaN are passed
// over; when the tool ends, its pipe ends the reading.
TEST_F(ImuReaderTest, SamplesAreRelativeToTheFirstLineUntilTheToolEnds) {
    const std::string q = "0.7071068 0 0 0.7071068 1 2 3";  // a quarter turn about z
    start(q + "|" + q + "|" + std::string(4000, '7') + "|nan 0 0 0 0 0 0|inf 1 1 1 1 1 1|" +
              "1 0 0 0 4 5 6",
          "exit");
    std::vector<ImuSample> samples;
    const auto collect = [&] {
        for (const ImuSample& s : take()) samples.push_back(s);
        return samples.size() >= 2;
    };
    ASSERT_TRUE(wait_until(collect));
    // The tool has ended: the reading ends with its pipe.
    ASSERT_TRUE(wait_until([&] { return !reader.is_running() && !process_alive(tool_pid()); }));
    collect();
    ASSERT_EQ(samples.size(), 2u);
    EXPECT_NEAR(samples[0].w, 1.0f, 1e-6f);  // the same orientation again: identity
    EXPECT_NEAR(samples[0].z, 0.0f, 1e-6f);
    EXPECT_NEAR(samples[1].z, -0.7071068f, 1e-6f);  // back by the quarter turn
    EXPECT_EQ(samples[1].extra[2], 6.0f);
    for (const ImuSample& s : samples) EXPECT_TRUE(s.is_finite());
}

TEST_F(ImuReaderTest, ABadLineEndsTheReadingAndTheTool) {
    start("1 0 0 0 0 0 0|1 0 0 0 0 0 0|1 2 3 4 5 6|1 0 0 0 0 0 0", "wait");
    std::vector<ImuSample> samples;
    ASSERT_TRUE(wait_until([&] { return !(samples = take()).empty(); }));
    // What came before the bad line stays; the tool, silent since, is ended.
    ASSERT_TRUE(wait_until([&] { return !reader.is_running() && !process_alive(tool_pid()); }));
    EXPECT_EQ(samples.size() + take().size(), 1u);
}

// Stopping ends a tool that has gone silent: no orphan is left behind.
TEST_F(ImuReaderTest, StopEndsASilentTool) {
    start("1 0 0 0 0 0 0|1 0 0 0 0 0 0", "wait");
    ASSERT_TRUE(wait_until([&] { return reader.is_running() && tool_pid() > 0; }));
    const pid_t pid = tool_pid();
    ASSERT_TRUE(process_alive(pid));
    const auto before = std::chrono::steady_clock::now();
    reader.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(3));
    EXPECT_TRUE(wait_until([&] { return !process_alive(pid); }));
    EXPECT_TRUE(take().empty());
}

TEST_F(ImuReaderTest, AKilledToolEndsTheReading) {
    start("1 0 0 0 0 0 0|1 0 0 0 0 0 0", "wait");
    ASSERT_TRUE(wait_until([&] { return reader.is_running() && tool_pid() > 0; }));
    ASSERT_EQ(::kill(tool_pid(), SIGKILL), 0);
    EXPECT_TRUE(wait_until([&] { return !reader.is_running(); }));
    EXPECT_EQ(take().size(), 1u);
}

}  // namespace
}  // namespace druvex
