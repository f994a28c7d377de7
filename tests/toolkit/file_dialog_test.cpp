// The file dialog's helper program, played by a stand-in "zenity" on PATH.
#include <nanogui/common.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path);
    std::string text;
    std::getline(in, text);
    return text;
}

// Gone, or a zombie that nobody reaped yet.
bool running(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string pid_field, name, state;
    return stat >> pid_field >> name >> state && state != "Z";
}

template <typename Condition>
bool wait_until(Condition condition, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// The answer is read from the helper; a program killed while its dialog is
// open takes the dialog with it.
TEST(FileDialogTest, AnswerIsReadAndTheDialogEndsWithTheProgram) {
    char folder[] = "/tmp/druvex_dialog_XXXXXX";
    ASSERT_NE(::mkdtemp(folder), nullptr);
    const std::string dir = folder;
    const std::string pid_file = dir + "/zenity_pid";
    std::ofstream(dir + "/zenity") << "#!/bin/sh\necho $$ > " << pid_file
                                   << "\n[ -n \"$DIALOG_WAIT\" ] && exec sleep 600\n"
                                      "echo /home/u/run1.pcap\n";
    ASSERT_EQ(::chmod((dir + "/zenity").c_str(), 0755), 0);
    const std::string saved_path = std::getenv("PATH");
    ::setenv("PATH", (dir + ":" + saved_path).c_str(), 1);
    EXPECT_EQ(nanogui::file_dialog({{"pcap", "PCAP"}}, true), "/home/u/run1.pcap");

    ::setenv("DIALOG_WAIT", "1", 1);
    ::unlink(pid_file.c_str());
    const pid_t program = ::fork();
    ASSERT_GE(program, 0);
    if (program == 0) {
        nanogui::file_dialog({{"pcap", "PCAP"}}, true);
        ::_exit(0);
    }
    const bool opened = wait_until([&] { return !read_text(pid_file).empty(); }, 10.0);
    ::kill(program, SIGKILL);
    ::waitpid(program, nullptr, 0);
    ::unsetenv("DIALOG_WAIT");
    ::setenv("PATH", saved_path.c_str(), 1);
    ASSERT_TRUE(opened);
    const pid_t dialog = std::atoi(read_text(pid_file).c_str());
    EXPECT_TRUE(wait_until([&] { return !running(dialog); }, 5.0)) << "the dialog stayed open";
    ::kill(dialog, SIGKILL);  // a failure above must not leave it running
}

}  // namespace
