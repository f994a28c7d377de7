// The file dialog beside the frames: a stand-in zenity on PATH that waits for
// the test's answer, frames drawn while it is open, one dialog at a time, the
// answer delivered by the next frame, and a dialog cancelled with its program.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

using namespace nanogui;
using toolkit_test::Ui;

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool exists(const std::string& path) { return ::access(path.c_str(), F_OK) == 0; }

// Draws frames until `condition` holds, for ten seconds at most.
bool frames_until(Ui& ui, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ui.frame();
        ::usleep(10 * 1000);
    }
    return true;
}

// A folder first on PATH holding a `zenity` that writes its arguments and
// process id, then waits until the test leaves an answer.
class StandInZenity {
public:
    StandInZenity() {
        char name[] = "/tmp/druvex_dialog_XXXXXX";
        dir = ::mkdtemp(name);
        std::ofstream(dir + "/zenity")
            << "#!/bin/sh\n"
               "echo $$ > '"
            << dir
            << "/pid'\n"
               "echo \"$@\" > '"
            << dir << "/args'\n"
            << "while [ ! -e '" << dir << "/answer' ]; do sleep 0.02; done\n"
            << "cat '" << dir << "/answer'\n";
        ::chmod((dir + "/zenity").c_str(), 0755);
        const char* path = std::getenv("PATH");
        saved_path_ = path != nullptr ? path : "/usr/bin:/bin";
        ::setenv("PATH", (dir + ":" + saved_path_).c_str(), 1);
    }
    ~StandInZenity() {
        ::setenv("PATH", saved_path_.c_str(), 1);
        std::system(("rm -rf '" + dir + "'").c_str());
    }
    void answer(const std::string& path) { std::ofstream(dir + "/answer") << path << "\n"; }
    std::string args() { return read_text(dir + "/args"); }
    pid_t pid() { return std::atoi(read_text(dir + "/pid").c_str()); }

    std::string dir;

private:
    std::string saved_path_;
};

TEST(FileDialog, RunsBesideTheFramesAndAnswersOnTheNextFrame) {
    StandInZenity zenity;
    Ui ui;
    auto* window = new Window(ui.screen, "Panel");
    auto* slider = new Slider(window);
    window->setLayout(new BoxLayout(Orientation::Vertical));
    ui.frame();
    ui.press(Ui::center(slider));
    ASSERT_TRUE(ui.screen->dragActive());

    std::optional<FileDialogAnswer> answer;
    ASSERT_TRUE(file_dialog_async({{"pcap", "PCAP"}}, false,
                                  [&](const FileDialogAnswer& a) { answer = a; }));
    EXPECT_TRUE(file_dialog_open());
    EXPECT_FALSE(file_dialog_async({{"json", "JSON"}}, true, [&](const FileDialogAnswer&) {
        ADD_FAILURE() << "a second dialog was opened";
    }));
    // Frames go on while the dialog waits for its user.
    ASSERT_TRUE(frames_until(ui, [&] { return exists(zenity.dir + "/args"); }));
    for (int i = 0; i < 5; ++i) ui.frame();
    EXPECT_FALSE(answer.has_value());
    EXPECT_EQ(zenity.args(), "--file-selection --file-filter=PCAP (*.pcap) | *.pcap\n");

    zenity.answer("/data/run 1.pcap");
    ASSERT_TRUE(frames_until(ui, [&] { return answer.has_value(); }));
    EXPECT_EQ(answer->path, "/data/run 1.pcap");
    EXPECT_EQ(answer->failure, "");
    EXPECT_FALSE(file_dialog_open());
    EXPECT_FALSE(ui.screen->dragActive());  // the dialog took the pointer's release
    EXPECT_EQ(ui.screen->mouseState(), 0);

    // A dialog still open when its program goes is ended with it, unanswered.
    ::unlink((zenity.dir + "/answer").c_str());
    ::unlink((zenity.dir + "/args").c_str());
    ASSERT_TRUE(file_dialog_async({{"png", "PNG"}}, true, [&](const FileDialogAnswer&) {
        ADD_FAILURE() << "a cancelled dialog answered";
    }));
    ASSERT_TRUE(frames_until(ui, [&] { return exists(zenity.dir + "/args"); }));
    EXPECT_EQ(zenity.args(),
              "--file-selection --save --confirm-overwrite --file-filter=PNG (*.png) | *.png\n");
    const pid_t pid = zenity.pid();
    cancel_file_dialog();
    EXPECT_FALSE(file_dialog_open());
    EXPECT_TRUE(::kill(pid, 0) != 0 && errno == ESRCH) << "the dialog outlived the cancel";
    for (int i = 0; i < 3; ++i) ui.frame();
}

TEST(FileDialog, MissingDialogProgramIsAFailure) {
    const char* path = std::getenv("PATH");
    const std::string saved = path != nullptr ? path : "";
    ::setenv("PATH", "/nonexistent", 1);
    Ui ui;
    std::optional<FileDialogAnswer> answer;
    ASSERT_TRUE(file_dialog_async({{"json", "JSON"}}, false,
                                  [&](const FileDialogAnswer& a) { answer = a; }));
    const bool answered = frames_until(ui, [&] { return answer.has_value(); });
    ::setenv("PATH", saved.c_str(), 1);
    ASSERT_TRUE(answered);
    EXPECT_EQ(answer->path, "");
    EXPECT_EQ(answer->failure, "zenity is not installed");
}

TEST(FileDialog, HookAnswersAtOnce) {
    Ui ui;
    FileTypes seen;
    bool seen_save = false;
    set_file_dialog_hook([&](const FileTypes& types, bool save) {
        seen = types;
        seen_save = save;
        return std::string("/tmp/chosen.json");
    });
    std::string chosen;
    EXPECT_TRUE(file_dialog_async({{"json", "JSON"}}, true,
                                  [&](const FileDialogAnswer& a) { chosen = a.path; }));
    set_file_dialog_hook(nullptr);
    EXPECT_EQ(chosen, "/tmp/chosen.json");
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].first, "json");
    EXPECT_TRUE(seen_save);
    EXPECT_FALSE(file_dialog_open());
}

}  // namespace
