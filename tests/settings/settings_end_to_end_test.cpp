// The viewer's default settings files across real starts, autosaves and exits,
// driven by real X input on a virtual display of the test's own (keys must
// not reach the windows of tests that run alongside).
#include "platform/path_utils.h"
#include "support/private_display.h"
#include "support/process_runner.h"
#include "support/screenshot.h"
#include "support/viewer_process.h"
#include "support/wait.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

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

    // Starts the viewer with `args` and checks what a user sees whatever the
    // files hold: the window draws, every line of `said` is said once on
    // standard error (and no save fails on top), its memory stays within
    // what the program itself takes (less than 400 MB; AddressSanitizer's
    // shadow and quarantine more than double that, ThreadSanitizer's more
    // still), and SIGTERM ends it at once (within a second; ThreadSanitizer
    // slows the way out).
    void run_saying(const std::string& name, const std::vector<std::string>& args,
                    const std::vector<std::string>& said) {
#if defined(DRUVEX_SANITIZER_ADDRESS)
        const size_t max_memory = size_t(1000) << 20;
        const double stop_seconds = 1.0;
#elif defined(DRUVEX_SANITIZER_THREAD)
        const size_t max_memory = size_t(2000) << 20;
        const double stop_seconds = 5.0;
#else
        const size_t max_memory = size_t(400) << 20;
        const double stop_seconds = 1.0;
#endif
        ViewerProcess viewer(home_, name, args);
        output_ = home_ + "/" + name + ".txt";
        ASSERT_TRUE(viewer.started());
        EXPECT_GE(lit_pixels(wait_for_window(home_ + "/" + name + ".png", generous_seconds)), 2000u)
            << "the window does not draw: " << read_file(output_);
        for (const std::string& line : said) {
            EXPECT_TRUE(wait_until([&] { return read_file(output_).find(line) != npos; }))
                << line << "\nnot in\n"
                << read_file(output_);
        }
        // A change for the autosaves to try, and for the last save at exit.
        const std::string window = viewer.wait_for_window();
        xdotool({"mousemove", "--window", window, "500", "400"});
        xdotool({"key", "f"});
        const size_t peak = viewer.peak_memory();
        EXPECT_GT(peak, 0u);
        EXPECT_LT(peak, max_memory);
        EXPECT_EQ(viewer.stop(SIGTERM, stop_seconds), 0)
            << "SIGTERM did not end it within " << stop_seconds << " s";
        const std::string output = read_file(output_);
        for (const std::string& line : said) EXPECT_EQ(output.find(line), output.rfind(line));
        EXPECT_EQ(output.find("Could not save"), npos) << output;
    }

    static constexpr size_t npos = std::string::npos;
    std::unique_ptr<PrivateDisplay> display_;
    std::string home_, dir_, output_;
};

// What a file's inode is, to tell that it was left where it was, as it was.
struct Node {
    ino_t inode;
    mode_t mode;
    dev_t device;
    off_t size;
    bool operator==(const Node& other) const {
        return inode == other.inode && mode == other.mode && device == other.device &&
               size == other.size;
    }
};

Node node_of(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return {st.st_ino, st.st_mode, st.st_rdev, st.st_size};
}

std::string warning(const std::string& message, const std::string& path,
                    const std::string& reason) {
    return "DruvexViewer: warning: " + message + " " + path + ": " + reason + "\n";
}

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

// Settings files that are named pipes, devices or far too large, where the
// user meets them: beside a capture, on the command line and as the default
// files. None is waited on or read, each is said once, the window draws and
// SIGTERM ends the program at once; none is renamed, replaced or written.
TEST_F(SettingsEndToEndTest, PipesDevicesAndHugeFilesAreSaidAndLeftAsTheyAre) {
    std::string made;
    const std::string capture = make_sample_capture(1, made);
    ASSERT_FALSE(capture.empty()) << made;
    const std::string beside = capture.substr(0, capture.rfind('/'));
    const std::vector<std::string> names = {"druvex_viewer_config.json", "druvex_transforms.json",
                                            "druvex_clips.json"};
    for (const std::string& name : names)
        ASSERT_EQ(::mkfifo((beside + "/" + name).c_str(), 0644), 0);
    // A config of 13 million view counts, 50 MB of them.
    const std::string huge = home_ + "/huge.json";
    {
        std::ofstream out(huge);
        out << "{\"group_streams\": [";
        const std::string numbers = [] {
            std::string block;
            for (int i = 0; i < 4096; ++i) block += "123,";
            return block;
        }();
        for (int i = 0; i < 3200; ++i) out << numbers;
        out << "1]}";
    }
    const Node huge_before = node_of(huge);
    const std::string pipe = "not a regular file (a named pipe)";
    run_saying(
        "beside", {"--capture_path", capture, "--config_path", huge},
        {warning("Could not open config file!", beside + "/" + names[0], pipe),
         warning("Could not load transforms!", beside + "/" + names[1], pipe),
         warning("Could not load clips!", beside + "/" + names[2], pipe),
         warning("Could not open config file!", huge, "too large (50.0 MB; at most 4.0 MB)")});
    EXPECT_TRUE(node_of(huge) == huge_before);
    for (const std::string& name : names) EXPECT_TRUE(S_ISFIFO(node_of(beside + "/" + name).mode));

    // The default files: two pipes, and a link to a device node of the
    // test's own (a pipe stands in where devices cannot be made).
    write("druvex_viewer_config.json", "");
    for (const std::string& name : {names[0], names[2]}) {
        ::unlink((dir_ + name).c_str());
        ASSERT_EQ(::mkfifo((dir_ + name).c_str(), 0644), 0);
    }
    ASSERT_EQ(::mkdir((home_ + "/devices").c_str(), 0755), 0);
    const std::string device = home_ + "/devices/sensor0";
    const bool made_device = ::mknod(device.c_str(), S_IFCHR | 0644, ::makedev(1, 3)) == 0;
    if (!made_device) {
        ASSERT_EQ(::mkfifo(device.c_str(), 0644), 0);
    }
    ASSERT_EQ(::symlink("../../devices/sensor0", (dir_ + names[1]).c_str()), 0);
    const std::vector<Node> before = {node_of(dir_ + names[0]), node_of(dir_ + names[1]),
                                      node_of(dir_ + names[2]), node_of(device)};
    run_saying("defaults", {},
               {warning("Could not open config file!", dir_ + names[0], pipe),
                warning("Could not load transforms!", dir_ + names[1],
                        made_device ? "not a regular file (a character device)" : pipe),
                warning("Could not load clips!", dir_ + names[2], pipe)});
    const std::vector<Node> after = {node_of(dir_ + names[0]), node_of(dir_ + names[1]),
                                     node_of(dir_ + names[2]), node_of(device)};
    EXPECT_TRUE(after == before) << "a settings file was replaced";
    std::string listing;
    run_process({"/bin/ls", "-A", dir_, home_ + "/devices"}, {}, listing);
    EXPECT_EQ(listing, home_ + "/.config/druvex/:\n" + names[2] + "\n" + names[1] + "\n" +
                           names[0] + "\n\n" + home_ + "/devices:\nsensor0\n");
    if (!made_device) std::cout << "no device node could be made: a pipe stood in\n";
}

}  // namespace
}  // namespace druvex
