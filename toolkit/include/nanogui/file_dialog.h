// Open and save dialogs that leave the window drawing while they are open.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace nanogui {

// Pairs of (extension without dot, description).
using FileTypes = std::vector<std::pair<std::string, std::string>>;

struct FileDialogAnswer {
    std::string path;     // "" when cancelled or failed
    std::string failure;  // why no dialog could be shown, "" otherwise
};
using FileDialogCallback = std::function<void(const FileDialogAnswer&)>;

// Opens a dialog (Linux: zenity) on a thread of its own and returns at once.
// `on_answer` runs later on the GUI thread, at the start of the next
// Screen::drawAll after the dialog closed. Only one dialog is open at a time:
// while one is, further requests are refused (false, nothing else happens).
bool file_dialog_async(const FileTypes& filetypes, bool save, FileDialogCallback on_answer);
// True from an accepted request until its answer has been handed over.
bool file_dialog_open();
// GUI thread: hands a finished dialog's answer to its callback; called by
// Screen::drawAll. The held mouse buttons of every screen are read again first
// (the dialog took the pointer while it was open).
void deliver_file_dialog_answer();
// Closes an open dialog and forgets its answer (its callback never runs);
// called by shutdown() and by an application that goes before it.
void cancel_file_dialog();

// Stands in for the dialog (tests script the answer): it is asked on the
// requesting thread and its answer delivered at once. An empty function
// restores the real dialog.
using FileDialogHook = std::function<std::string(const FileTypes& filetypes, bool save)>;
void set_file_dialog_hook(FileDialogHook hook);

}  // namespace nanogui
