// A user's journey through the application: the application in this process
// on a virtual display of the test program's own, its main loop on the test's
// thread, and a driver on another thread that finds widgets by caption and
// works them with real X input.
#pragma once

#include "app/viewer_application.h"
#include "screenshot.h"
#include "wait.h"

#include <nanogui/nanogui.h>

#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace druvex::testing {

class AppJourney {
public:
    // Makes what no text can be in the settings folder (pipes, links) before
    // the application starts; given the folder, ending in "/".
    using PrepareSettings = std::function<void(const std::string& folder)>;

    // Starts a display of its own and the application, whose data directory
    // (`data_dir`) holds `settings` (file name to text) and what `prepare`
    // makes when it starts.
    explicit AppJourney(const std::map<std::string, std::string>& settings = {},
                        const PrepareSettings& prepare = {});
    virtual ~AppJourney();
    AppJourney(const AppJourney&) = delete;
    AppJourney& operator=(const AppJourney&) = delete;

    // Empty when the journey can run, else why not.
    const std::string& skip_reason() const { return skip_reason_; }

    // Runs the main loop here and `driver` on a thread of its own; the loop
    // ends when the driver returns.
    void run(const std::function<void()>& driver);
    // Shuts the application down as the end of its main loop does (the
    // settings files are then saved); the destructor does it too.
    virtual void end();

    // Runs `task` on the GUI thread between two frames and returns its result.
    template <typename F>
    auto gui(F task) -> decltype(task());
    // Polls `condition` on the GUI thread.
    bool wait_until(const std::function<bool()>& condition, double timeout_sec = generous_seconds);
    void frames(int n = 3);

    // Widgets by caption (buttons, labels), among the shown ones under `root`
    // (default_root() when null; popups are found through their buttons).
    nanogui::Widget* find(const std::string& caption, nanogui::Widget* root = nullptr);
    // The first shown widget of type T under `root`.
    template <typename T>
    T* find_type(nanogui::Widget* root) {
        return gui([this, root] {
            return static_cast<T*>(find_if(root != nullptr ? root : default_root(),
                                           [](nanogui::Widget* w) { return dynamic_cast<T*>(w); }));
        });
    }
    static nanogui::Widget* find_if(nanogui::Widget* root,
                                    const std::function<bool(nanogui::Widget*)>& predicate);
    // The body of the collapsible panel with this caption.
    nanogui::Widget* panel(const std::string& caption, nanogui::Widget* root = nullptr);
    // The value widget of the row with this caption.
    nanogui::Widget* row(const std::string& caption, nanogui::Widget* root);
    // The popup of a popup button.
    nanogui::Widget* popup(nanogui::Widget* popup_button);

    // Real input through xdotool. Each returns once the application has
    // handled the input and drawn a few frames since (a handler that draws
    // frames of its own may still be at work then).
    void click(nanogui::Widget* widget);
    // Presses on `widget` at a fraction of its width and moves to another,
    // holding the button until release().
    void drag(nanogui::Widget* widget, float from_fraction, float to_fraction);
    void release();
    // Clicks into a field, replaces its text and presses Enter.
    void type_into(nanogui::Widget* field, const std::string& text);
    // Turns the wheel over the scrolling panel that holds `widget` until the
    // widget shows in it.
    void scroll_into_view(nanogui::Widget* widget);
    // The next file dialog answers this.
    void answer_file_dialog(const std::string& path);

    // Whether the application's log holds a message containing `text`.
    bool logged(const std::string& text) { return times_logged(text) > 0; }
    size_t times_logged(const std::string& text);
    // Every sensor handle the drawn views hold.
    std::vector<uint64_t> view_handles();
    // The first view's points as last drawn.
    std::vector<PointVertex> points();
    // A capture of two simulated sensors, "" when it cannot be made.
    static std::string sample_capture();

    // The window as the X server shows it, also kept at `path`.
    Screenshot screenshot(const std::string& path);
    // The window as the X server shows it (empty when that fails).
    Screenshot picture(const std::string& path) { return screenshot(path); }

    nanogui::ref<ViewerApplication> app;
    // The application as the toolbar panels see it.
    ToolbarHost& toolbar() { return *app; }
    std::string data_dir;

protected:
    // Where find() looks when given no root.
    virtual nanogui::Widget* default_root() { return app.get(); }
    // Runs on the GUI thread once a frame, before the driver's tasks.
    virtual void on_frame() {}

private:
    void run_tasks();
    void xdotool(const std::vector<std::string>& args);
    void xdotool_at(nanogui::Vector2i p, const std::vector<std::string>& args);
    nanogui::Vector2i center(nanogui::Widget* widget);

    std::string skip_reason_;
    std::string window_id_;
    std::mutex mutex_;
    std::vector<std::function<void()>> tasks_;
    std::string dialog_answer_;
    std::thread::id gui_thread_ = std::this_thread::get_id();
};

template <typename F>
auto AppJourney::gui(F task) -> decltype(task()) {
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
