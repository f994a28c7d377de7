// A user's journey through the application on a virtual display of its own.
#include "app_journey.h"

#include "private_display.h"
#include "process_runner.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>
#include <utility>

namespace druvex::testing {

namespace {

std::string caption_of(nanogui::Widget* widget) {
    if (auto* button = dynamic_cast<nanogui::Button*>(widget)) return button->caption();
    if (auto* label = dynamic_cast<nanogui::Label*>(widget)) return label->caption();
    return "";
}

nanogui::VScrollPanel* scroll_panel_of(nanogui::Widget* widget) {
    for (nanogui::Widget* w = widget->parent(); w != nullptr; w = w->parent()) {
        if (auto* scroll = dynamic_cast<nanogui::VScrollPanel*>(w)) return scroll;
    }
    return nullptr;
}

}  // namespace

nanogui::Widget* AppJourney::find_if(nanogui::Widget* root,
                                     const std::function<bool(nanogui::Widget*)>& predicate) {
    if (!root->visible()) return nullptr;
    if (predicate(root)) return root;
    for (nanogui::Widget* child : root->children()) {
        if (nanogui::Widget* found = find_if(child, predicate)) return found;
    }
    return nullptr;
}

AppJourney::AppJourney(const std::map<std::string, std::string>& settings,
                       const PrepareSettings& prepare) {
    for (const char* tool : {"/usr/bin/Xvfb", "/usr/bin/xdotool", "/usr/bin/import"}) {
        if (!executable_exists(tool)) skip_reason_ = std::string(tool) + " missing";
    }
    if (!skip_reason_.empty()) return;
    if (program_display() == nullptr) {
        skip_reason_ = "no virtual display";
        return;
    }
    data_dir = make_temp_dir();
    ::mkdir((data_dir + "/druvex").c_str(), 0755);
    for (const auto& [name, text] : settings) std::ofstream(data_dir + "/druvex/" + name) << text;
    if (prepare) prepare(data_dir + "/druvex/");
    ::setenv("APPDATA", data_dir.c_str(), 1);
    nanogui::init();
    app = new ViewerApplication(false, 0);
    app->init();
    app->setVisible(true);
    app->add_refresh_callback([this] {
        on_frame();
        run_tasks();
    });
    nanogui::set_file_dialog_hook(
        [this](const nanogui::FileTypes&, bool) { return std::exchange(dialog_answer_, ""); });
    app->drawAll();
    // Input sent before the window is mapped goes nowhere.
    std::string output;
    run_process({"/usr/bin/xdotool", "search", "--sync", "--onlyvisible", "--name", "DruvexViewer"},
                {}, output);
    window_id_ = output.substr(0, output.find('\n'));
}

AppJourney::~AppJourney() { AppJourney::end(); }

void AppJourney::end() {
    nanogui::set_file_dialog_hook(nullptr);
    if (app) {
        app->save_state();
        app = nullptr;
    }
}

void AppJourney::run(const std::function<void()>& driver) {
    std::thread thread([driver] {
        driver();
        nanogui::leave();
        glfwPostEmptyEvent();
    });
    nanogui::mainloop(50);
    thread.join();
    run_tasks();  // a driver that gave up leaves nothing waiting
}

void AppJourney::run_tasks() {
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) task();
}

bool AppJourney::wait_until(const std::function<bool()>& condition, double timeout_sec) {
    return druvex::testing::wait_until([&] { return gui(condition); }, timeout_sec);
}

void AppJourney::frames(int n) {
    for (int i = 0; i < n; ++i) gui([] {});
}

nanogui::Widget* AppJourney::find(const std::string& caption, nanogui::Widget* root) {
    return gui([&] {
        return find_if(root != nullptr ? root : default_root(),
                       [&](nanogui::Widget* w) { return caption_of(w) == caption; });
    });
}

nanogui::Widget* AppJourney::panel(const std::string& caption, nanogui::Widget* root) {
    nanogui::Widget* header = find(caption, root);
    if (header == nullptr) return nullptr;
    // The body is made just before its header.
    return gui([header] {
        nanogui::Widget* parent = header->parent();
        const int index = parent->childIndex(header);
        return index > 0 ? parent->childAt(index - 1) : nullptr;
    });
}

nanogui::Widget* AppJourney::row(const std::string& caption, nanogui::Widget* root) {
    nanogui::Widget* label = find(caption, root);
    if (label == nullptr) return nullptr;
    // A row's value widget is made just before its caption.
    return gui([label] {
        nanogui::Widget* parent = label->parent();
        return parent->childAt(parent->childIndex(label) - 1);
    });
}

nanogui::Widget* AppJourney::popup(nanogui::Widget* popup_button) {
    if (popup_button == nullptr) return nullptr;
    return gui([popup_button] {
        return static_cast<nanogui::Widget*>(
            static_cast<nanogui::PopupButton*>(popup_button)->popup());
    });
}

// Brings the widget's window to the front first: with several views their
// Control Panels may lie over other windows.
nanogui::Vector2i AppJourney::center(nanogui::Widget* widget) {
    return gui([this, widget] {
        if (nanogui::Window* window = widget->window()) app->moveWindowToFront(window);
        return nanogui::Vector2i(widget->absolutePosition() + widget->size() / 2);
    });
}

void AppJourney::xdotool(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {"/usr/bin/xdotool"};
    argv.insert(argv.end(), args.begin(), args.end());
    std::string output;
    run_process(argv, {}, output);
    // A round trip after the input: the server has sent its events on by the
    // time it answers, so the frames that follow see them.
    run_process({"/usr/bin/xdotool", "getmouselocation"}, {}, output);
}

void AppJourney::xdotool_at(nanogui::Vector2i p, const std::vector<std::string>& args) {
    std::vector<std::string> all = {"mousemove", "--window", window_id_, std::to_string(p.x()),
                                    std::to_string(p.y())};
    all.insert(all.end(), args.begin(), args.end());
    xdotool(all);
}

void AppJourney::click(nanogui::Widget* widget) {
    if (widget == nullptr) return;
    xdotool_at(center(widget), {"click", "1"});
    frames();
}

void AppJourney::drag(nanogui::Widget* widget, float from_fraction, float to_fraction) {
    if (widget == nullptr) return;
    center(widget);
    const auto [x0, x1, y] = gui([&] {
        const nanogui::Vector2i p = widget->absolutePosition();
        const float w = float(widget->width());
        return std::make_tuple(int(p.x() + w * from_fraction), int(p.x() + w * to_fraction),
                               p.y() + widget->height() / 2);
    });
    xdotool_at({x0, y}, {"mousedown", "1"});
    frames();
    for (int step = 1; step <= 4; ++step) {
        xdotool_at({x0 + (x1 - x0) * step / 4, y}, {});
        frames(1);
    }
}

void AppJourney::release() {
    xdotool({"mouseup", "1"});
    frames();
}

void AppJourney::type_into(nanogui::Widget* field, const std::string& text) {
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

void AppJourney::scroll_into_view(nanogui::Widget* widget) {
    if (widget == nullptr) return;
    for (int turn = 0; turn < 50; ++turn) {
        // The wheel button that brings the widget nearer (0 once it shows)
        // and where to turn it.
        const auto [button, over] = gui([&] {
            nanogui::VScrollPanel* scroll = scroll_panel_of(widget);
            if (scroll == nullptr) return std::make_pair(0, nanogui::Vector2i(0, 0));
            const int top = scroll->absolutePosition().y();
            const int y = widget->absolutePosition().y();
            const int wheel = y < top ? 4 : y + widget->height() > top + scroll->height() ? 5 : 0;
            return std::make_pair(
                wheel, nanogui::Vector2i(scroll->absolutePosition() + scroll->size() / 2));
        });
        if (button == 0) return;
        xdotool_at(over, {"click", std::to_string(button)});
        frames(1);
    }
}

void AppJourney::answer_file_dialog(const std::string& path) {
    gui([this, path] { dialog_answer_ = path; });
}

size_t AppJourney::times_logged(const std::string& text) {
    size_t n = 0;
    for (const LogRecord& record : app->log_records()) {
        n += record.formatted_text.find(text) != std::string::npos ? 1 : 0;
    }
    return n;
}

std::vector<uint64_t> AppJourney::view_handles() {
    return gui([this] {
        std::vector<uint64_t> handles;
        for (View* view : app->get_views()) {
            for (uint64_t handle : view->sensor_handles()) handles.push_back(handle);
        }
        return handles;
    });
}

std::vector<PointVertex> AppJourney::points() {
    return gui([this] {
        View* view = app->first_view();
        return view != nullptr ? view->vertices() : std::vector<PointVertex>();
    });
}

std::string AppJourney::sample_capture() {
    std::string output;
    return make_sample_capture(3, output);
}

Screenshot AppJourney::screenshot(const std::string& path) {
    return take_screenshot(path, window_id_);
}

}  // namespace druvex::testing
