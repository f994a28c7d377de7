// The viewer's default settings files across real starts, autosaves and exits,
// driven by real X input on a virtual display of the test's own (keys must
// not reach the windows of tests that run alongside).
#include "platform/path_utils.h"
#include "support/private_display.h"
#include "support/process_runner.h"
#include "support/viewer_process.h"
#include "support/wait.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>

namespace druvex {
namespace {

using namespace druvex::testing;
using json = nlohmann::json;

class SettingsEndToEndTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!executable_exists(ViewerProcess::program()) ||
            !executable_exists("/usr/bin/xdotool") || !executable_exists("/usr/bin/Xvfb")) {
            GTEST_SKIP() << "viewer, xdotool or Xvfb missing";
        }
        home_ = make_temp_dir();
        dir_ = home_ + "/.config/druvex/";
        display_ = std::make_unique<PrivateDisplay>(home_ + "/xvfb.txt", "1280x1024");
        ASSERT_TRUE(display_->ok()) << read_file(home_ + "/xvfb.txt");
    }

    void TearDown() override { display_.reset(); }

    void xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {"/usr/bin/xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        std::string output;
        run_process(argv, {}, output);
    }

    void write(const std::string& name, const std::string& text) {
        ::mkdir((home_ + "/.config").c_str(), 0755);
        ::mkdir(dir_.c_str(), 0755);
        std::ofstream(dir_ + name) << text;
    }

    // Starts the viewer, lets `while_running` act on its window once it
    // shows, then ends it with SIGTERM.
    template <typename Fn>
    void run(const std::string& name, Fn while_running) {
        ViewerProcess viewer(home_, name);
        output_ = home_ + "/" + name + ".txt";
        ASSERT_TRUE(viewer.started());
        const std::string window = viewer.wait_for_window();
        if (!window.empty()) while_running(window);
        EXPECT_EQ(viewer.stop(SIGTERM), 0) << read_file(output_);
        ASSERT_FALSE(window.empty()) << "the window did not show: " << read_file(output_);
    }

    std::unique_ptr<PrivateDisplay> display_;
    std::string home_, dir_, output_;
};

// A typo in the config must not cost the user the file; poses and clips that
// loaded are not rewritten while nothing changes, so hand-made text stays.
TEST_F(SettingsEndToEndTest, BrokenConfigIsKeptAndUnchangedFilesAreNotRewritten) {
    const std::string broken = "{\n    \"n_streams\": 2,\n    \"enable_clips\": tru\n}";
    const std::string poses = R"({"1234": {"rotation": [0, 0, 0.6], "translation": [1, 2, 3]}})";
    const std::string clips = R"({"focus": {"max_x": 50}, "77": {"max_distance": 30}})";
    write("druvex_viewer_config.json", broken);
    write("druvex_transforms.json", poses);
    write("druvex_clips.json", clips);
    // Its first autosave, on its first frame, sets the broken file aside.
    run("broken", [this](const std::string&) {
        EXPECT_TRUE(wait_until(
            [this] { return read_file(output_).find("kept as ") != std::string::npos; }));
    });

    const std::string log = read_file(output_);
    const std::string marker = "kept as ";
    const size_t at = log.find(marker);
    ASSERT_NE(at, std::string::npos) << log;
    const std::string kept =
        log.substr(at + marker.size(), log.find('\n', at) - at - marker.size());
    EXPECT_NE(kept.find(dir_ + "druvex_viewer_config.unreadable-"), std::string::npos) << kept;
    EXPECT_EQ(read_file(kept), broken);
    EXPECT_NO_THROW(
        EXPECT_EQ(json::parse(read_file(dir_ + "druvex_viewer_config.json"))["n_streams"], 1));
    EXPECT_EQ(read_file(dir_ + "druvex_transforms.json"), poses);
    EXPECT_EQ(read_file(dir_ + "druvex_clips.json"), clips);
}

// The SDK's clip switches are saved by the last save too, which runs after the
// SDK is shut down; an out-of-range zoom is read into range without the file
// being rewritten until the user changes something.
TEST_F(SettingsEndToEndTest, SdkSwitchesSurviveARestartAndOnlyARealChangeRewrites) {
    json config = {{"n_streams", 1},
                   {"sdk_disable_distance_clip", true},
                   {"sdk_disable_image_clip", true},
                   {"group_streams", {{{"zoom_scale", 0}, {"caption", "mine"}}}}};
    const std::string text = config.dump(2);
    write("druvex_viewer_config.json", text);
    std::string untouched;
    run("switches", [&](const std::string& window) {
        // The first autosave, on the first frame, writes the files that were
        // missing and leaves the config as it was.
        EXPECT_TRUE(wait_until([this] { return file_exists(dir_ + "druvex_clips.json"); }));
        untouched = read_file(dir_ + "druvex_viewer_config.json");
        // "f" flips the view under the mouse: a real change, which the next
        // autosave writes.
        xdotool({"mousemove", "--window", window, "500", "400"});
        xdotool({"key", "f"});
        EXPECT_TRUE(wait_until([this] {
            return read_file(dir_ + "druvex_viewer_config.json").find("\"flip\": true") !=
                   std::string::npos;
        }));
    });
    EXPECT_EQ(untouched, text);
    const json saved = json::parse(read_file(dir_ + "druvex_viewer_config.json"));
    EXPECT_EQ(saved["sdk_disable_distance_clip"], true);
    EXPECT_EQ(saved["sdk_disable_image_clip"], true);
    const json& view = saved["group_streams"][0];
    EXPECT_EQ(view["caption"], "mine");
    EXPECT_EQ(view["flip"], true) << "the key did not reach the view";
    EXPECT_GT(view["zoom_scale"].get<double>(), 0.0);
}

// Files the user protected or arranged stay as arranged. A read-only config
// is not replaced, and though the autosaves and the last save all try, it is
// said once; made writable again, a rewrite keeps its permissions and group.
// A default file that links to one yet to be made is written there.
// Temporary files of killed saves go at start-up; a running save's stay.
TEST_F(SettingsEndToEndTest, ProtectedLinkedAndLeftOverFilesAsTheUserArrangedThem) {
    const std::string text = "{\"n_streams\": 1}";
    const std::string config = dir_ + "druvex_viewer_config.json";
    write("druvex_viewer_config.json", text);
    ASSERT_EQ(::chmod(config.c_str(), 0444), 0);
    const bool grouped = ::chown(config.c_str(), uid_t(-1), 65534) == 0;
    ASSERT_EQ(::mkdir((home_ + "/elsewhere").c_str(), 0755), 0);
    ASSERT_EQ(::symlink("../../elsewhere/clips.json", (dir_ + "druvex_clips.json").c_str()), 0);
    const pid_t ended = ::fork();
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string killed_save = "druvex_transforms.json.tmp-" + std::to_string(ended) + "-3";
    const std::string running_save =
        "druvex_viewer_config.json.tmp-" + std::to_string(::getpid()) + "-0";
    write(killed_save, "{");
    write(running_save, "{");

    const std::string refused =
        "DruvexViewer: warning: Could not save config file! " + config + ": Permission denied\n";
    // "f" flips the view under the mouse: a change to save.
    const auto flip = [this](const std::string& window) {
        xdotool({"mousemove", "--window", window, "500", "400"});
        xdotool({"key", "f"});
    };
    run("protected", [&](const std::string& window) {
        flip(window);
        EXPECT_TRUE(
            wait_until([&] { return read_file(output_).find(refused) != std::string::npos; }));
    });
    const std::string output = read_file(output_);
    EXPECT_EQ(output.find(refused), output.rfind(refused)) << output;
    EXPECT_EQ(read_file(config), text);
    EXPECT_NE(read_file(home_ + "/elsewhere/clips.json").find("focus"), std::string::npos);
    EXPECT_NE(::access((dir_ + killed_save).c_str(), F_OK), 0);
    EXPECT_EQ(read_file(dir_ + running_save), "{");

    ASSERT_EQ(::chmod(config.c_str(), 0640), 0);
    run("writable", [&](const std::string& window) {
        flip(window);
        EXPECT_TRUE(wait_until([&] { return read_file(config) != text; }));
    });
    struct stat st;
    ASSERT_EQ(::stat(config.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (grouped) {
        EXPECT_EQ(st.st_gid, 65534u);
    }
}

}  // namespace
}  // namespace druvex
