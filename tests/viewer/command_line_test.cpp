// The command line works without a display and fails clearly.
#include "app/startup_options.h"
#include "support/process_runner.h"

#include <gtest/gtest.h>

namespace druvex {
namespace {

using namespace druvex::testing;

class CommandLineTest : public ::testing::Test {
protected:
    void SetUp() override {
        viewer_ = binary_dir() + "/bin/druvex_viewer";
        if (!executable_exists(viewer_)) GTEST_SKIP() << "druvex_viewer not built";
    }
    // No display at all: only the command line may run.
    int run(std::vector<std::string> args, std::string& output) {
        args.insert(args.begin(), viewer_);
        return run_process(args, {{"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}, output);
    }
    std::string viewer_;
};

TEST_F(CommandLineTest, HelpPrintsTheOptionsAndEndsWithoutAWindow) {
    for (const char* flag : {"--help", "-h"}) {
        std::string output;
        EXPECT_EQ(run({"--fullscreen", flag, "--capture_path", "x.pcap"}, output), 0) << flag;
        EXPECT_NE(output.find("Druvex LiDAR viewer."), std::string::npos) << output;
        for (const char* option : {"--capture_path", "--clips_path", "--config_path",
                                   "--fullscreen", "--transforms_path", "-h, --help"}) {
            EXPECT_NE(output.find(option), std::string::npos) << option;
        }
    }
}

TEST_F(CommandLineTest, HelpWinsOverMistakesAndStrayArgumentsAreNamed) {
    std::string output;
    EXPECT_EQ(run({"--bogus", "-h"}, output), 0);
    EXPECT_NE(output.find("Druvex LiDAR viewer."), std::string::npos) << output;
    EXPECT_EQ(run({"--config_path", "--help"}, output), 0) << output;
    EXPECT_EQ(run({"capture.pcap"}, output), 2);
    EXPECT_NE(output.find("unexpected argument 'capture.pcap'"), std::string::npos) << output;
}

TEST_F(CommandLineTest, MalformedCommandLinesAreReportedNotThrown) {
    std::string output;
    EXPECT_EQ(run({"--bogus"}, output), 2);
    EXPECT_NE(output.find("bogus"), std::string::npos) << output;
    EXPECT_EQ(output.find("terminate"), std::string::npos) << output;
    EXPECT_EQ(run({"--config_path"}, output), 2);
    EXPECT_NE(output.find("config_path"), std::string::npos) << output;
}

TEST(StartupOptionsTest, ValuesAndDefaults) {
    const char* argv[] = {"druvex_viewer", "--config_path", "~/a.json", "--fullscreen"};
    const StartupOptions options = parse_command_line(4, argv);
    EXPECT_TRUE(options.error.empty());
    EXPECT_EQ(options.config_path, "~/a.json");
    EXPECT_TRUE(options.fullscreen);
    EXPECT_TRUE(options.capture_path.empty());
    EXPECT_FALSE(options.help);
}

TEST(StartupOptionsTest, RendererWorkaround) {
    EXPECT_TRUE(needs_single_sample("Intel(R) UHD Graphics 620"));
    EXPECT_TRUE(needs_single_sample("intel(r) uhd graphics"));
    EXPECT_FALSE(needs_single_sample("Intel(R) HD Graphics 520"));
    EXPECT_FALSE(needs_single_sample("llvmpipe (LLVM 15.0.6, 256 bits)"));
    EXPECT_FALSE(needs_single_sample(nullptr));
}

}  // namespace
}  // namespace druvex
