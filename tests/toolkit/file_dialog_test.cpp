// The file dialog beside the frames: a stand-in zenity on PATH that waits for
// the test's answer, frames drawn while it is open, one dialog at a time, the
// answer delivered by the next frame, and a dialog cancelled with its program.
#include <gtest/gtest.h>

#include "stand_in_zenity.h"
#include "support/process_runner.h"
#include "support/toolkit_ui.h"
#include "support/wait.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <optional>
#include <string>

using namespace nanogui;
using druvex::testing::Ui;
using druvex_test::StandInZenity;

namespace {

// Draws frames until `condition` holds, for ten seconds at most.
bool frames_until(Ui& ui, const std::function<bool()>& condition) {
    return druvex::testing::wait_until(
        [&] {
            if (condition()) return true;
            ui.frame();
            return false;
        },
        10.0);
}

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
    ASSERT_TRUE(frames_until(ui, [&] { return zenity.starts().size() == 1; }));
    for (int i = 0; i < 5; ++i) ui.frame();
    EXPECT_FALSE(answer.has_value());
    EXPECT_EQ(zenity.starts()[0], "--file-selection --file-filter=PCAP (*.pcap) | *.pcap");

    zenity.answer("/data/run 1.pcap");
    ASSERT_TRUE(frames_until(ui, [&] { return answer.has_value(); }));
    EXPECT_EQ(answer->path, "/data/run 1.pcap");
    EXPECT_EQ(answer->failure, "");
    EXPECT_FALSE(file_dialog_open());
    EXPECT_FALSE(ui.screen->dragActive());  // the dialog took the pointer's release
    EXPECT_EQ(ui.screen->mouseState(), 0);

    // A dialog still open when its program goes is ended with it, unanswered.
    ASSERT_TRUE(file_dialog_async({{"png", "PNG"}}, true, [&](const FileDialogAnswer&) {
        ADD_FAILURE() << "a cancelled dialog answered";
    }));
    ASSERT_TRUE(frames_until(ui, [&] { return zenity.starts().size() == 2; }));
    EXPECT_EQ(zenity.starts()[1],
              "--file-selection --save --confirm-overwrite --file-filter=PNG (*.png) | *.png");
    const pid_t pid = zenity.pid();
    cancel_file_dialog();
    EXPECT_FALSE(file_dialog_open());
    EXPECT_TRUE(::kill(pid, 0) != 0 && errno == ESRCH) << "the dialog outlived the cancel";
    for (int i = 0; i < 3; ++i) ui.frame();
}

// A program killed while its dialog is open takes the dialog with it.
TEST(FileDialog, EndsWithAKilledProgram) {
    StandInZenity zenity;
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        file_dialog_async({{"pcap", "PCAP"}}, true, [](const FileDialogAnswer&) {});
        for (;;) ::pause();
    }
    const bool started = druvex::testing::wait_until([&] { return zenity.pid() > 0; });
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    const pid_t dialog = zenity.pid();
    ASSERT_TRUE(started && dialog > 0) << "the dialog never started";
    EXPECT_TRUE(druvex::testing::wait_until([&] {
        return !druvex::testing::process_running(dialog);
    })) << "the dialog outlived its program";
    ::kill(dialog, SIGKILL);  // a failure above must not leave it running
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
