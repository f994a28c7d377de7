// The program as a user starts it from a desktop menu: a first start says
// nothing, and a capture that cannot be opened is said in the window as on
// standard error, until a click dismisses it.
#include "support/private_display.h"
#include "support/process_runner.h"
#include "support/screenshot.h"
#include "support/wait.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <sstream>

namespace druvex {
namespace {

using namespace druvex::testing;

// The warnings of a run, without those of a sensor port that another program
// on this machine may hold.
std::string warnings(const std::string& output) {
    std::istringstream lines(output);
    std::string kept;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("warning") == std::string::npos) continue;
        if (line.find("UDP port") != std::string::npos) continue;
        if (line.find("Initialization failed") != std::string::npos) continue;
        kept += line + "\n";
    }
    return kept;
}

TEST(FailureBannerTest, FirstStartSaysNothingAndAMissingCaptureIsShownUntilDismissed) {
    const std::string viewer = binary_dir() + "/bin/druvex_viewer";
    if (!executable_exists(viewer)) GTEST_SKIP() << "not built";
    if (!executable_exists("/usr/bin/import") || !executable_exists("/usr/bin/xdotool") ||
        !executable_exists("/usr/bin/Xvfb"))
        GTEST_SKIP() << "no ImageMagick, xdotool or Xvfb";
    const std::string home = make_temp_dir();
    PrivateDisplay display(home + "/xvfb.txt");
    ASSERT_TRUE(display.ok()) << read_file(home + "/xvfb.txt");
    const std::map<std::string, std::string> env = {
        {"HOME", home},
        {"APPDATA", ""},
        {"XDG_CONFIG_HOME", ""},
        {"ASAN_OPTIONS", "detect_leaks=0:abort_on_error=1"}};

    // An empty data directory: the first start.
    ChildProcess first = start_process({viewer}, env, home + "/first.txt");
    ASSERT_GT(first.pid, 0);
    ASSERT_GE(lit_pixels(wait_for_window(home + "/first.png", 20.0)), 2000u);
    // The first autosave: the start is over.
    const std::string saved = home + "/.config/druvex/druvex_viewer_config.json";
    ASSERT_TRUE(wait_until([&] { return !read_file(saved).empty(); }));
    EXPECT_EQ(banner_rows(take_screenshot(home + "/first.png"), 768), 0);
    ::kill(first.pid, SIGTERM);
    EXPECT_EQ(wait_for_exit(first, 20.0), 0);
    EXPECT_EQ(warnings(read_file(home + "/first.txt")), "");

    const std::string missing = home + "/day1/missing.pcap";
    ChildProcess app = start_process({viewer, "--capture_path", missing}, env, home + "/app.txt");
    ASSERT_GT(app.pid, 0);
    const auto banner = [&](const std::string& name) {
        return banner_rows(take_screenshot(home + "/" + name), 768);
    };
    EXPECT_TRUE(wait_until([&] { return banner("banner.png") > 15; })) << "no banner in " << home;
    std::string output;
    run_process({"/usr/bin/xdotool", "mousemove", "1000", "755", "click", "1"}, {}, output);
    EXPECT_TRUE(wait_until([&] { return banner("dismissed.png") == 0; }))
        << "the banner stayed; see " << home;
    ::kill(app.pid, SIGTERM);
    EXPECT_EQ(wait_for_exit(app, 20.0), 0);
    EXPECT_EQ(
        warnings(read_file(home + "/app.txt")),
        "DruvexViewer: warning: Load capture failed! " + missing + ": No such file or directory\n");
}

}  // namespace
}  // namespace druvex
