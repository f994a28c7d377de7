// Tests of the log sink, path helpers and other viewer utilities.
#include "platform/logger_sink.h"
#include "platform/os_helper.h"
#include "platform/path_utils.h"
#include "platform/rate_limiter.h"
#include "platform/sdk_utils.h"
#include "settings/json_file.h"

#include <spdlog/logger.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace druvex {
namespace {

// Sets environment variables for one test and restores them afterwards.
class ScopedEnv {
public:
    void set(const char* name, const char* value) {
        const char* old = std::getenv(name);
        saved_.push_back({name, old != nullptr, old != nullptr ? old : ""});
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->had)
                ::setenv(it->name.c_str(), it->value.c_str(), 1);
            else
                ::unsetenv(it->name.c_str());
        }
    }

private:
    struct Saved {
        std::string name;
        bool had;
        std::string value;
    };
    std::vector<Saved> saved_;
};

std::string temp_dir() {
    char pattern[] = "/tmp/druvex_viewer_test_XXXXXX";
    return ::mkdtemp(pattern);
}

TEST(LoggerSinkTest, KeepsTheFirstMessagesOnly) {
    auto sink = std::make_shared<LoggerSink>();
    spdlog::logger logger("gui_test", sink);
    for (int i = 0; i < 1002; ++i) logger.warn("message {}", i);
    sink->flush();
    const auto records = sink->records();
    ASSERT_EQ(records.size(), 1001u);
    EXPECT_EQ(records.back().raw_text, "message 1000");
    EXPECT_EQ(records[0].logger_name, "gui_test");
    EXPECT_EQ(records[0].level, static_cast<int>(spdlog::level::warn));
    EXPECT_NE(records[0].formatted_text.find("message 0"), std::string::npos);
}

TEST(PathTest, SplitAndJoin) {
    EXPECT_EQ(split_extension("/data/run.v2/capture"),
              std::make_pair(std::string("/data/run"), std::string(".v2/capture")));
    EXPECT_EQ(split_extension(".hidden"), std::make_pair(std::string(".hidden"), std::string()));
    EXPECT_EQ(replace_extension("a/b.pcap", "_imu.dat"), "a/b_imu.dat");
    EXPECT_EQ(replace_extension("a/b", "_imu.dat"), "a/b_imu.dat");
    EXPECT_EQ(join({"a", "b", "c"}, "\\"), "a\\b\\c");
    EXPECT_EQ(join({"a"}, "\\"), "a");
    EXPECT_EQ(join({}, "/"), "");
    EXPECT_EQ(split_path("C:\\caps\\x.pcap"),
              std::make_pair(std::string("C:\\caps"), std::string("x.pcap")));
    EXPECT_EQ(split_path("d/x.pcap"), std::make_pair(std::string("d"), std::string("x.pcap")));
    EXPECT_EQ(split_path("x.pcap").second, "x.pcap");
    EXPECT_EQ(ensure_suffix("shot", ".png"), "shot.png");
    EXPECT_EQ(ensure_suffix("shot.png", ".png"), "shot.png");
    EXPECT_TRUE(starts_with("abc", ""));
    EXPECT_FALSE(ends_with("c", "abc"));
}

TEST(PathTest, HomeDirectoryLookupOrder) {
    ScopedEnv env;
    env.set("USERPROFILE", nullptr);
    env.set("HOMEDRIVE", "/mnt");
    env.set("HOMEPATH", nullptr);
    env.set("HOME", "/home/u");
    EXPECT_EQ(get_home_directory(), "/home/u");  // HOMEDRIVE alone is not enough
    EXPECT_EQ(expand_user("~/caps/a.pcap"), "/home/u//caps/a.pcap");
    EXPECT_EQ(expand_user("caps/~a"), "caps/~a");
    env.set("HOMEPATH", "users/u");
    EXPECT_EQ(get_home_directory(), "/mnt/users/u");
    env.set("USERPROFILE", "/profile");
    EXPECT_EQ(get_home_directory(), "/profile");
}

TEST(JsonFileTest, ReadWriteAndFailures) {
    const std::string dir = temp_dir();
    json value = {{"b", 1}, {"a", {1.5, nullptr}}};
    EXPECT_FALSE(write_json_file(value, dir + "/missing/x.json"));
    ASSERT_TRUE(write_json_file(value, dir + "/x.json"));
    json back = 7;
    ASSERT_TRUE(read_json_file(back, dir + "/x.json"));
    EXPECT_EQ(back, value);

    std::ofstream(dir + "/bom.json") << "\xEF\xBB\xBF{\"k\": 2}";
    ASSERT_TRUE(read_json_file(back, dir + "/bom.json"));
    EXPECT_EQ(back["k"], 2);
    std::ofstream(dir + "/trailing.json") << "{} x";
    EXPECT_FALSE(read_json_file(back, dir + "/trailing.json"));
    EXPECT_EQ(back["k"], 2);  // unchanged on failure
    EXPECT_FALSE(read_json_file(back, dir + "/none.json"));
}

TEST(JsonFileTest, FloatArrays) {
    const float values[] = {1.5f, NAN, INFINITY};
    const json j = float_array_to_json(values, 3);
    EXPECT_EQ(j.dump(), "[1.5,null,null]");
    EXPECT_TRUE(float_array_to_json(values, 0).is_null());
    float out[3] = {};
    float_array_from_json(json{true, 2, 3.5}, out, 0);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(out[2], 3.5f);
    EXPECT_THROW(float_array_from_json(json{"x"}, out, 1), std::exception);
    EXPECT_THROW(float_array_from_json(json{1.0}, out, 2), std::exception);
}

// The SDK's own texts name their code already; the viewer's message must not repeat it.
TEST(SdkErrorTest, NamesItsCodeOnce) {
    const std::string name = druvex_get_error_code_name(DRUVEX_ERROR_INVALID_ARGUMENTS);
    EXPECT_STREQ(SdkError(DRUVEX_ERROR_INVALID_ARGUMENTS, name + ": bad").what(),
                 (name + ": bad").c_str());
    EXPECT_STREQ(SdkError(DRUVEX_ERROR_INVALID_ARGUMENTS, "bad").what(), (name + ": bad").c_str());
    EXPECT_EQ(SdkError(DRUVEX_ERROR_INVALID_ARGUMENTS, "").what(), name);
}

TEST(RateLimiterTest, FirstCallPassesThenWaitsForThePeriod) {
    RateLimiter limiter(1.0f);
    EXPECT_TRUE(limiter.ready());
    EXPECT_FALSE(limiter.ready());
    limiter.last_ns -= 1'100'000'000;
    EXPECT_TRUE(limiter.ready());
}

TEST(OsHelperTest, DataDirectory) {
    const std::string dir = temp_dir();
    ScopedEnv env;
    env.set("APPDATA", (dir + "/roaming").c_str());
    EXPECT_EQ(get_data_directory("", false), dir + "/roaming/druvex/");
    EXPECT_FALSE(file_exists(dir + "/roaming"));
    EXPECT_EQ(get_data_directory("logs", true), dir + "/roaming/druvex/logs/");
    EXPECT_TRUE(file_exists(dir + "/roaming/druvex/logs"));
    env.set("APPDATA", nullptr);
    env.set("XDG_CONFIG_HOME", nullptr);
    env.set("HOME", dir.c_str());
    EXPECT_EQ(get_data_directory("", false), dir + "/.config/druvex/");
}

TEST(OsHelperTest, ChildProcessSharesOnePipeForOutputAndErrors) {
    int out = -1, in = -1;
    pid_t pid = 0;
    ASSERT_TRUE(
        create_child_process("read line; echo \"got $line\"; echo oops >&2", &out, &in, &pid));
    ASSERT_EQ(::write(in, "hello\n", 6), 6);
    ::close(in);
    std::string text;
    char buffer[4];
    for (uint32_t n; (n = OsHelper::read_from_pipe(out, buffer, sizeof buffer)) > 0;) {
        EXPECT_LE(n, 3u);  // room for the caller's terminator
        text.append(buffer, n);
    }
    ::close(out);
    end_child_process(pid);
    EXPECT_EQ(text, "got hello\noops\n");
}

}  // namespace
}  // namespace druvex
