// A user's journey through the toolbar panels on a virtual display of its own.
#include "toolbar_journey.h"

#include "../viewer/private_display.h"
#include "../viewer/process_runner.h"
#include "panels/toolbar_panels.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <thread>

namespace druvex::testing {

namespace {

std::string caption_of(nanogui::Widget* widget) {
    if (auto* button = dynamic_cast<nanogui::Button*>(widget)) return button->caption();
    if (auto* label = dynamic_cast<nanogui::Label*>(widget)) return label->caption();
    return "";
}

}  // namespace

nanogui::Widget* ToolbarJourney::find_if(nanogui::Widget* root,
                                         const std::function<bool(nanogui::Widget*)>& predicate) {
    if (!root->visible()) return nullptr;
    if (predicate(root)) return root;
    for (nanogui::Widget* child : root->children()) {
        if (nanogui::Widget* found = find_if(child, predicate)) return found;
    }
    return nullptr;
}

// The tests of this program run in parallel with others, and the pointer is
// one per display: the program has a display of its own, ended after its last
// test (the window system stays connected to it until the process ends).
class OwnDisplay : public ::testing::Environment {
public:
    static OwnDisplay* instance() {
        static OwnDisplay* display = [] {
            auto* d = new OwnDisplay();
            ::testing::AddGlobalTestEnvironment(d);
            return d;
        }();
        return display;
    }
    bool start() {
        if (!display_) display_ = std::make_unique<PrivateDisplay>("/dev/null", "1280x1024");
        return display_->ok();
    }
    void TearDown() override { display_.reset(); }

private:
    std::unique_ptr<PrivateDisplay> display_;
};

ToolbarJourney::ToolbarJourney() {
    if (!executable_exists("/usr/bin/Xvfb") || !executable_exists("/usr/bin/xdotool")) {
        skip_reason_ = "Xvfb or xdotool missing";
        return;
    }
    if (!OwnDisplay::instance()->start()) {
        skip_reason_ = "no virtual display";
        return;
    }
    data_dir = make_temp_dir();
    ::setenv("APPDATA", data_dir.c_str(), 1);
    nanogui::init();
    app = new ViewerApplication(false, 0);
    app->init();
    // Off the sensors' port, which programs of other tests listen on.
    druvex_sdk_set_port(druvex_test::free_udp_port());
    app->setVisible(true);
    build_panels();
    app->add_refresh_callback([this] {
        window_->setVisible(app->panels_visible());
        form_->refresh();
        run_tasks();
    });
    nanogui::set_file_dialog_hook(
        [this](const nanogui::FileTypes&, bool) { return std::exchange(dialog_answer_, ""); });
    app->drawAll();
    std::string output;
    run_process({"/usr/bin/xdotool", "search", "--sync", "--name", "DruvexViewer"}, {}, output);
    window_id_ = output.substr(0, output.find('\n'));
}

// Stands in for the first view's Control Panel: the toolbar, then the Tools
// group's rows; beside the view's own panel, so both can be on screen.
void ToolbarJourney::build_panels() {
    window_ = new nanogui::Window(app.get(), "Toolbar");
    window_->setPosition(nanogui::Vector2i(260, 0));
    window_->setFixedWidth(250);
    form_ = new FormHelper(window_.get());
    build_toolbar(*app, *form_);
    build_screenshot_demo_panel(*app, *form_);
}

void ToolbarJourney::rebuild_panels() {
    gui([this] {
        delete form_;
        window_->removeFromParent();
        build_panels();
    });
    frames();
}

ToolbarJourney::~ToolbarJourney() {
    nanogui::set_file_dialog_hook(nullptr);
    // The panels go before the application, as a view's Control Panel does.
    delete form_;
    window_ = nullptr;
    if (app) {
        app->save_state();
        app = nullptr;
    }
}

void ToolbarJourney::run(const std::function<void()>& driver) {
    std::thread thread([driver] {
        driver();
        nanogui::leave();
        glfwPostEmptyEvent();
    });
    nanogui::mainloop(50);
    thread.join();
    run_tasks();  // a driver that gave up leaves nothing waiting
}

void ToolbarJourney::run_tasks() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
}

bool ToolbarJourney::wait_until(const std::function<bool()>& condition, double timeout_sec) {
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::duration<double>(timeout_sec);
    while (!gui(condition)) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        pause_for(0.05);
    }
    return true;
}

void ToolbarJourney::frames(int n) {
    for (int i = 0; i < n; ++i) gui([] {});
}

nanogui::Widget* ToolbarJourney::find(const std::string& caption, nanogui::Widget* root) {
    return gui([&] {
        return find_if(root != nullptr ? root : window_.get(),
                       [&](nanogui::Widget* w) { return caption_of(w) == caption; });
    });
}

nanogui::Widget* ToolbarJourney::panel(const std::string& caption) {
    nanogui::Widget* header = find(caption);
    if (header == nullptr) return nullptr;
    // The body is made just before its header.
    return gui([header] {
        nanogui::Widget* parent = header->parent();
        const int index = parent->childIndex(header);
        return index > 0 ? parent->childAt(index - 1) : nullptr;
    });
}

nanogui::Widget* ToolbarJourney::row(const std::string& caption, nanogui::Widget* root) {
    nanogui::Widget* label = find(caption, root);
    if (label == nullptr) return nullptr;
    // A row's value widget is made just before its caption.
    return gui([label] {
        nanogui::Widget* parent = label->parent();
        return parent->childAt(parent->childIndex(label) - 1);
    });
}

nanogui::Widget* ToolbarJourney::popup(nanogui::Widget* popup_button) {
    return gui([popup_button] {
        return static_cast<nanogui::Widget*>(
            static_cast<nanogui::PopupButton*>(popup_button)->popup());
    });
}

// Brings the widget's window to the front first: with several views their
// Control Panels may lie over the stand-in panels.
nanogui::Vector2i ToolbarJourney::center(nanogui::Widget* widget) {
    return gui([this, widget] {
        if (nanogui::Window* window = widget->window()) app->moveWindowToFront(window);
        return nanogui::Vector2i(widget->absolutePosition() + widget->size() / 2);
    });
}

void ToolbarJourney::xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    run_process(argv, {}, output);
    // A round trip after the input: the server has sent its events on by the
    // time it answers, so the frames that follow see them.
    run_process({"/usr/bin/xdotool", "getmouselocation"}, {}, output);
}

void ToolbarJourney::click(nanogui::Widget* widget) {
    if (widget == nullptr) return;
    const nanogui::Vector2i p = center(widget);
    xdotool({"mousemove", "--window", window_id_, std::to_string(p.x()), std::to_string(p.y()),
             "click", "1"});
    frames();
}

void ToolbarJourney::drag(nanogui::Widget* widget, float from_fraction, float to_fraction) {
    if (widget == nullptr) return;
    center(widget);
    const auto [x0, x1, y] = gui([&] {
        const nanogui::Vector2i p = widget->absolutePosition();
        const float w = float(widget->width());
        return std::make_tuple(int(p.x() + w * from_fraction), int(p.x() + w * to_fraction),
                               p.y() + widget->height() / 2);
    });
    xdotool({"mousemove", "--window", window_id_, std::to_string(x0), std::to_string(y),
             "mousedown", "1"});
    frames();
    for (int step = 1; step <= 4; ++step) {
        const int x = x0 + (x1 - x0) * step / 4;
        xdotool({"mousemove", "--window", window_id_, std::to_string(x), std::to_string(y)});
        frames(1);
    }
}

void ToolbarJourney::release() {
    xdotool({"mouseup", "1"});
    frames();
}

void ToolbarJourney::type_into(nanogui::Widget* field, const std::string& text) {
    click(field);
    xdotool({"key", "--clearmodifiers", "ctrl+a"});
    if (text.empty()) {
        xdotool({"key", "BackSpace"});
    } else {
        xdotool({"type", "--delay", "20", "--", text});
    }
    xdotool({"key", "Return"});
    frames();
}

void ToolbarJourney::answer_file_dialog(const std::string& path) {
    gui([this, path] { dialog_answer_ = path; });
}

size_t ToolbarJourney::times_logged(const std::string& text) {
    size_t n = 0;
    for (const LogRecord& record : app->log_records()) {
        n += record.formatted_text.find(text) != std::string::npos ? 1 : 0;
    }
    return n;
}

std::vector<uint64_t> ToolbarJourney::view_handles() {
    return gui([this] {
        std::vector<uint64_t> handles;
        for (View* view : app->get_views()) {
            for (uint64_t handle : view->sensor_handles()) handles.push_back(handle);
        }
        return handles;
    });
}

std::vector<PointVertex> ToolbarJourney::points() {
    return gui([this] {
        View* view = app->first_view();
        return view != nullptr ? view->vertices : std::vector<PointVertex>();
    });
}

std::string ToolbarJourney::sample_capture() {
    std::string output;
    return make_sample_capture(3, output);
}

void ToolbarJourney::load_paused(const std::string& capture) {
    answer_file_dialog(capture);
    click(find("Load Capture"));
    // Both sensors of the sample drawn.
    ASSERT_TRUE(wait_until([&] { return points().size() > 1000 && view_handles().size() == 2; }));
    auto* transport = find_type<Toolbar>(panel("Capture"));
    ASSERT_NE(transport, nullptr);
    click(gui([&] { return transport->childAt(1); }));
    ASSERT_FALSE(app->replay_control().is_running());
    frames();
}

bool ToolbarJourney::screenshot(const std::string& path) {
    std::string output;
    return run_process({"/usr/bin/import", "-window", window_id_, path}, {}, output) == 0;
}

Screenshot ToolbarJourney::picture(const std::string& path) {
    return screenshot(path) ? read_screenshot(path) : Screenshot();
}

}  // namespace druvex::testing
