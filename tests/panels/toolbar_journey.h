// A user's journey through the toolbar panels: the application on a virtual
// display of its own, its panels in a window, driven by real X input.
#pragma once

#include "../network/loopback.h"
#include "../viewer/window_capture.h"
#include "app/viewer_application.h"

#include <nanogui/nanogui.h>

#include <sys/types.h>

#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace druvex::testing {

class ToolbarJourney {
public:
    // Starts a display of its own, the application (settings in `data_dir`)
    // and a window holding the toolbar and the screenshot and demo rows.
    ToolbarJourney();
    ~ToolbarJourney();
    ToolbarJourney(const ToolbarJourney&) = delete;
    ToolbarJourney& operator=(const ToolbarJourney&) = delete;

    // Empty when the journey can run, else why not.
    const std::string& skip_reason() const { return skip_reason_; }

    // Runs the main loop here and `driver` on a thread of its own; the loop
    // ends when the driver returns.
    void run(const std::function<void()>& driver);

    // Runs `task` on the GUI thread between two frames and returns its result.
    template <typename F>
    auto gui(F task) -> decltype(task());
    // As the Control Panel does when the first view's sensors change.
    void rebuild_panels();
    // Polls `condition` on the GUI thread.
    bool wait_until(const std::function<bool()>& condition, double timeout_sec = 10.0);
    void frames(int n = 3);

    // Widgets by caption (buttons, labels), among the shown ones under `root`
    // (the panels' window when null; popups are found through their buttons).
    nanogui::Widget* find(const std::string& caption, nanogui::Widget* root = nullptr);
    // The first shown widget of type T under `root`.
    template <typename T>
    T* find_type(nanogui::Widget* root) {
        return gui([this, root] {
            return static_cast<T*>(find_if(root != nullptr ? root : window_.get(),
                                           [](nanogui::Widget* w) { return dynamic_cast<T*>(w); }));
        });
    }
    static nanogui::Widget* find_if(nanogui::Widget* root,
                                    const std::function<bool(nanogui::Widget*)>& predicate);
    // The body of the collapsible panel with this caption.
    nanogui::Widget* panel(const std::string& caption);
    // The value widget of the row with this caption.
    nanogui::Widget* row(const std::string& caption, nanogui::Widget* root);
    // The popup of a popup button.
    nanogui::Widget* popup(nanogui::Widget* popup_button);

    // Real input through xdotool.
    void click(nanogui::Widget* widget);
    // Presses on `widget` at a fraction of its width and moves to another,
    // holding the button until release().
    void drag(nanogui::Widget* widget, float from_fraction, float to_fraction);
    void release();
    // Clicks into a field, replaces its text and presses Enter.
    void type_into(nanogui::Widget* field, const std::string& text);
    // The next file dialog answers this.
    void answer_file_dialog(const std::string& path);

    // Whether the application's log holds a message containing `text`.
    bool logged(const std::string& text) { return times_logged(text) > 0; }
    size_t times_logged(const std::string& text);

    // A UDP port nothing listens on now.
    // Every sensor handle the drawn views hold.
    std::vector<uint64_t> view_handles();

    // The first view's points as last drawn.
    std::vector<PointVertex> points();
    // A capture of two simulated sensors, "" when it cannot be made.
    static std::string sample_capture();
    // Loads the sample capture through the Capture panel and pauses it there.
    void load_paused(const std::string& capture);

    // The window as drawn, through the X server.
    bool screenshot(const std::string& path);
    // The window as drawn, read back (empty when that fails).
    Screenshot picture(const std::string& path);

    nanogui::ref<ViewerApplication> app;
    // The application as the toolbar panels see it.
    ToolbarHost& toolbar() { return *app; }
    std::string data_dir;

private:
    void build_panels();
    void run_tasks();
    void xdotool(const std::vector<std::string>& args);
    nanogui::Vector2i center(nanogui::Widget* widget);

    std::string skip_reason_;
    std::string window_id_;
    nanogui::ref<nanogui::Window> window_;
    FormHelper* form_ = nullptr;
    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
    std::string dialog_answer_;
    std::thread::id gui_thread_ = std::this_thread::get_id();
};

template <typename F>
auto ToolbarJourney::gui(F task) -> decltype(task()) {
    using Result = decltype(task());
    if (std::this_thread::get_id() == gui_thread_) return task();
    auto promise = std::make_shared<std::promise<Result>>();
    std::future<Result> result = promise->get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back([promise, task] {
            if constexpr (std::is_void_v<Result>) {
                task();
                promise->set_value();
            } else {
                promise->set_value(task());
            }
        });
    }
    glfwPostEmptyEvent();
    return result.get();
}

}  // namespace druvex::testing
