// What keeps a user's settings files whole: atomic writes under SIGKILL, the
// default files' guard, and stores read by one thread while another edits.
#include "platform/os_helper.h"
#include "platform/safe_file.h"
#include "settings/clips_store.h"
#include "settings/default_settings_file.h"
#include "settings/transforms_store.h"
#include "support/process_runner.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <thread>

namespace druvex {
namespace {

using druvex::testing::names_in;

std::string temp_dir() {
    char pattern[] = "/tmp/druvex_saving_XXXXXX";
    return ::mkdtemp(pattern);
}

std::string text_of(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SafeFileTest, AtomicWriteReplacesTheFileTheLinkNamesAndLeavesNothingBehind) {
    const std::string dir = temp_dir();
    ::mkdir((dir + "/real").c_str(), 0755);
    ASSERT_TRUE(write_file_atomically(dir + "/real/a.json", "old"));
    ASSERT_EQ(::symlink("real/a.json", (dir + "/link.json").c_str()), 0);
    ASSERT_TRUE(write_file_atomically(dir + "/link.json", "new"));
    EXPECT_EQ(text_of(dir + "/real/a.json"), "new");
    char target[64] = {};
    EXPECT_GT(::readlink((dir + "/link.json").c_str(), target, sizeof target - 1), 0);
    EXPECT_EQ(names_in(dir + "/real"), std::vector<std::string>{"a.json"});
    EXPECT_FALSE(write_file_atomically(dir + "/missing/a.json", "x"));
}

// What the user arranged stays: a link names the file to write even before
// that file exists, a rewrite keeps the permissions (and group), and a file
// the user made read-only is not replaced.
TEST(SafeFileTest, AtomicWriteKeepsWhatTheUserArranged) {
    const std::string dir = temp_dir();
    ::mkdir((dir + "/real").c_str(), 0755);
    ASSERT_EQ(::symlink("real/later.json", (dir + "/later.json").c_str()), 0);
    ASSERT_TRUE(write_file_atomically(dir + "/later.json", "first"));
    EXPECT_EQ(text_of(dir + "/real/later.json"), "first");
    struct stat st;
    ASSERT_EQ(::lstat((dir + "/later.json").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    const std::string file = dir + "/real/later.json";
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    // Any group will do where the user may give it (the administrator may).
    const bool grouped = ::chown(file.c_str(), uid_t(-1), 65534) == 0;
    ASSERT_TRUE(write_file_atomically(file, "second"));
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (grouped) {
        EXPECT_EQ(st.st_gid, 65534u);
    }

    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    errno = 0;
    EXPECT_FALSE(write_file_atomically(dir + "/later.json", "third"));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(text_of(file), "second");
    EXPECT_EQ(names_in(dir + "/real"), std::vector<std::string>{"later.json"});
}

class DefaultSettingsFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = temp_dir();
        ::unsetenv("APPDATA");
        ::setenv("XDG_CONFIG_HOME", (root_ + "/fresh/account").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("XDG_CONFIG_HOME"); }

    std::string root_;
    DefaultSettingsFile file_{"druvex_clips.json", [](const std::string& path) {
                                  return ClipsStore().load(path, false);
                              }};
    std::string aside_;
};

TEST_F(DefaultSettingsFileTest, MakesTheFolderAndKeepsAFileItCannotRead) {
    const std::string dir = root_ + "/fresh/account/druvex/";
    EXPECT_EQ(file_.path(), dir + "druvex_clips.json");
    ClipsStore store;
    json j;
    clips_to_json(store, j);
    ASSERT_TRUE(file_.save(j, aside_));
    EXPECT_TRUE(aside_.empty());
    EXPECT_TRUE(store.load(file_.path(), false));

    std::ofstream(file_.path()) << "{\"focus\": {\"min_x\": -3,}";  // a typo
    j["ground"]["height"] = 1.0;
    ASSERT_TRUE(file_.save(j, aside_));
    EXPECT_EQ(text_of(aside_), "{\"focus\": {\"min_x\": -3,}");
    EXPECT_NE(aside_.find("druvex_clips.unreadable-"), std::string::npos) << aside_;
    EXPECT_EQ(aside_.substr(aside_.size() - 5), ".json");
    EXPECT_TRUE(store.load(file_.path(), false));
    EXPECT_EQ(store.ground.height, 1.0f);

    // Linked in from elsewhere: the unreadable file is kept there, and the
    // new one is written there, through the link.
    ::mkdir((root_ + "/mine").c_str(), 0755);
    std::ofstream(root_ + "/mine/clips.json") << "{,}";
    ::unlink(file_.path().c_str());
    ASSERT_EQ(::symlink((root_ + "/mine/clips.json").c_str(), file_.path().c_str()), 0);
    j["ground"]["height"] = 2.0;
    ASSERT_TRUE(file_.save(j, aside_));
    EXPECT_EQ(aside_.rfind(root_ + "/mine/clips.unreadable-", 0), 0u) << aside_;
    EXPECT_EQ(text_of(aside_), "{,}");
    EXPECT_EQ(text_of(root_ + "/mine/clips.json"), json_file_text(j));
}

TEST_F(DefaultSettingsFileTest, RewritesOnlyWhenTheSettingsChanged) {
    get_data_directory("", true);
    const std::string hand_made = "{\"focus\": {\"min_x\": -3}}";
    std::ofstream(file_.path()) << hand_made;
    ClipsStore store;
    ASSERT_TRUE(store.load(file_.path(), false));
    json j;
    clips_to_json(store, j);
    file_.loaded(j);
    ASSERT_TRUE(file_.save(j, aside_));
    EXPECT_EQ(text_of(file_.path()), hand_made);
    ::unlink(file_.path().c_str());  // deleted by a reset: written again
    ASSERT_TRUE(file_.save(j, aside_));
    EXPECT_EQ(text_of(file_.path()), json_file_text(j));
    std::ofstream(file_.path()) << hand_made;
    j["focus"]["min_x"] = -4.0;
    ASSERT_TRUE(file_.save(j, aside_));
    EXPECT_EQ(text_of(file_.path()), json_file_text(j));
    EXPECT_TRUE(aside_.empty());
}

// A child saves a large clips file over and over and is killed at random
// moments: whatever is left must be a whole file that loads. A write that
// truncated the file first would leave it empty or cut short.
TEST(KillTest, FilesLeftBySigkilledSavesAreWhole) {
    const std::string dir = temp_dir();
    const std::string path = dir + "/druvex_clips.json";
    std::mt19937 random(1234);
    int kills = 0;
    for (int round = 0; round < 300; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ClipsStore store;
            ImageClips clips;
            for (uint64_t serial = 1; serial <= 400; ++serial) clips[serial + round] = ImageClip();
            store.set_image_clips(clips);
            for (;;) store.save(path, false);
        }
        ::usleep(std::uniform_int_distribution<useconds_t>(200, 4000)(random));
        kills += ::kill(child, SIGKILL) == 0 ? 1 : 0;
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!std::ifstream(path)) continue;  // killed before its first save
        ClipsStore store;
        ASSERT_TRUE(store.load(path, false)) << "round " << round << ": " << text_of(path);
        ASSERT_EQ(store.image_clips()->size(), 400u);
    }
    EXPECT_EQ(kills, 300);
}

// The SDK's frame thread reads poses and clips while the GUI thread edits
// them: every read sees one whole published value.
TEST(StoreThreadsTest, ReadersSeeWholeValuesWhileTheWriterEdits) {
    TransformsStore transforms;
    ClipsStore clips;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    ImageClip first;
    first.min_distance = first.max_distance = 0.0f;
    clips.set_image_clip(9, first);
    std::thread reader([&] {
        while (!done.load()) {
            const SensorTransform t = transforms.get_transform(9);
            const ImageClip c = clips.get_image_clip(9);
            torn += t.translation[0] != t.translation[2] ? 1 : 0;
            torn += c.min_distance != -c.max_distance ? 1 : 0;
        }
    });
    for (int i = 0; i < 20000; ++i) {
        SensorTransform t;
        t.translation[0] = t.translation[2] = float(i);
        transforms.set_transform(9 + i % 3, t);
        ImageClip c;
        c.min_distance = -float(i), c.max_distance = float(i);
        clips.set_image_clip(9, c);
    }
    done = true;
    reader.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_EQ(clips.get_image_clip(9).max_distance, 19999.0f);
}

}  // namespace
}  // namespace druvex
