// The application in a real window under the virtual display, driven as a
// user drives it: X input from xdotool (keys, clicks, drags, the wheel),
// files dropped through the drop handler, and answers scripted into the file
// dialog. Checked by the files it writes and the frames it draws.
#include "app/viewer_application.h"
#include "demo_standin.h"
#include "platform/path_utils.h"
#include "render/lines_renderer.h"
#include "support/private_display.h"
#include "support/process_runner.h"
#include "support/wait.h"

#include <lodepng.h>
#include <nanogui/common.h>
#include <nanogui/window.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>

namespace druvex {
namespace {

using namespace druvex::testing;

struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // top row first
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
};

// Pixels of the rectangle [x0, x1) x [y0, y1) (the whole frame by default) that pass `test`.
template <typename Test>
size_t count(const Frame& f, Test test, int x0 = 0, int y0 = 0, int x1 = -1, int y1 = -1) {
    size_t n = 0;
    for (int y = y0; y < (y1 < 0 ? f.height : y1); ++y) {
        for (int x = x0; x < (x1 < 0 ? f.width : x1); ++x) n += test(f.at(x, y)) ? 1 : 0;
    }
    return n;
}

bool lit(const uint8_t* p) { return p[1] >= 64; }
// Grey (the help picture, points, rings), not black and not tinted.
bool neutral(const uint8_t* p) {
    return p[0] > 20 && std::abs(p[0] - p[1]) < 8 && std::abs(p[0] - p[2]) < 8;
}

size_t differing_pixels(const Frame& a, const Frame& b) {
    size_t n = 0;
    for (size_t i = 0; i + 3 < a.rgba.size() && i + 3 < b.rgba.size(); i += 4) {
        n += (a.rgba[i] != b.rgba[i] || a.rgba[i + 1] != b.rgba[i + 1]) ? 1 : 0;
    }
    return n;
}

uint64_t capinfos_packets(const std::string& path) {
    std::string output;
    if (run_process({"/usr/bin/capinfos", "-c", "-M", path}, {}, output) != 0) return ~0ull;
    const size_t at = output.find("Number of packets:");
    return at == std::string::npos ? ~0ull : std::strtoull(output.c_str() + at + 18, nullptr, 10);
}

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!executable_exists("/usr/bin/xdotool")) GTEST_SKIP() << "no xdotool";
        // X input goes to whichever window has the pointer and the focus: a
        // display of the program's own keeps other tests' windows out.
        if (program_display() == nullptr) GTEST_SKIP() << "no virtual display";
        dir_ = make_temp_dir();
        ::setenv("APPDATA", dir_.c_str(), 1);
        nanogui::init();  // left up: unloading the GL driver hides its allocations from the leak
                          // check
        app_ = new ViewerApplication(false, 4);
        app_->init();
        app_->setVisible(true);
        app_->drawAll();
        std::string output;
        run_process({"/usr/bin/xdotool", "search", "--all", "--pid", std::to_string(::getpid()),
                     "--name", "^DruvexViewer \\(1\\.41\\)$"},
                    {}, output);
        window_ = output.substr(0, output.find('\n'));
        ASSERT_FALSE(window_.empty()) << output;
        xdo({"windowfocus", "--sync", window_});
    }
    void TearDown() override {
        nanogui::set_file_dialog_hook({});
        forget_demo_standin();
        if (app_) app_->save_state();
        app_ = nullptr;
        ::unsetenv("APPDATA");
    }

    // Handles events and draws at the main loop's pace (a frame per event, at
    // least every 50 ms) until `done`; false when it did not come in time.
    bool pump_until(const std::function<bool()>& done, double timeout_sec = generous_seconds) {
        const Deadline deadline(timeout_sec);
        while (!done()) {
            if (deadline.passed()) return false;
            glfwWaitEventsTimeout(0.05);
            app_->drawAll();
        }
        return true;
    }
    // Runs a program while the window keeps handling events.
    int run_pumping(const std::vector<std::string>& argv, const std::string& name,
                    double timeout_sec = generous_seconds) {
        ChildProcess child = start_process(argv, {}, dir_ + "/" + name + ".txt");
        int status = 0;
        const bool ended = pump_until(
            [&] { return child.pid <= 0 || ::waitpid(child.pid, &status, WNOHANG) != 0; },
            timeout_sec);
        if (!ended) return wait_for_exit(child, 0.0);
        return child.pid > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    // Gives input through xdotool and returns once the window has handled it.
    void xdo(std::vector<std::string> args) {
        args.insert(args.begin(), "/usr/bin/xdotool");
        EXPECT_EQ(run_pumping(args, "xdotool"), 0) << read_file(dir_ + "/xdotool.txt");
        // The X server has sent the input's events to the window by the time
        // it answers another request; a few frames then handle them.
        run_pumping({"/usr/bin/xdotool", "getmouselocation"}, "round_trip");
        for (int frame = 0; frame < 3; ++frame) {
            glfwPollEvents();
            app_->drawAll();
        }
    }
    // Moves the pointer to (x, y) of the window, then runs `args`.
    void xdo_at(int x, int y, std::vector<std::string> args) {
        std::vector<std::string> all = {"mousemove", "--window", window_, std::to_string(x),
                                        std::to_string(y)};
        all.insert(all.end(), args.begin(), args.end());
        xdo(all);
    }
    void answer_dialogs_with(const std::string& path) {
        nanogui::set_file_dialog_hook([path](const nanogui::FileTypes&, bool) { return path; });
    }
    Frame grab() {
        Frame f;
        f.rgba = app_->grabFramebuffer();
        f.width = app_->framebufferSize().x();
        f.height = app_->framebufferSize().y();
        return f;
    }
    // Kept beside the test's files for a look when something fails.
    void keep(const Frame& f, const std::string& name) {
        lodepng::encode(dir_ + "/" + name + ".png", f.rgba, unsigned(f.width), unsigned(f.height));
    }
    Frame load_png(const std::string& path, LodePNGColorType* type, unsigned* depth) {
        std::vector<unsigned char> png;
        lodepng::load_file(png, path);
        lodepng::State state;
        Frame f;
        unsigned w = 0, h = 0;
        if (lodepng::decode(f.rgba, w, h, state, png) != 0) return Frame();
        f.width = int(w);
        f.height = int(h);
        *type = state.info_png.color.colortype;
        *depth = state.info_png.color.bitdepth;
        return f;
    }
    bool logged(const std::string& text) {
        for (const LogRecord& r : app_->log_records()) {
            if (r.raw_text.find(text) != std::string::npos) return true;
        }
        return false;
    }
    // Points in a PLY file as Open3D reads them.
    long open3d_points(const std::string& path) {
        std::string output;
        if (run_process({"/usr/bin/python3", "-c",
                         "import sys, open3d\n"
                         "print('points', len(open3d.io.read_point_cloud(sys.argv[1]).points))",
                         path},
                        {}, output, 60.0) != 0) {
            return -1;
        }
        const size_t at = output.find("points ");
        return at == std::string::npos ? -1 : std::atol(output.c_str() + at + 7);
    }
    // A replay runs and every view shows its sensors' points.
    bool replay_drawn() {
        const std::vector<View*> views = app_->get_views();
        return app_->replay_control().is_running() && !views.empty() &&
               std::all_of(views.begin(), views.end(), [](View* view) {
                   const auto handles = view->sensor_handles();
                   return !handles.empty() && view->vertices().size() > 1000 &&
                          std::all_of(handles.begin(), handles.end(),
                                      [](uint64_t h) { return h >> 32 != 0; });
               });
    }
    std::string sample_capture(int seconds) {
        std::string output;
        const std::string path = make_sample_capture(seconds, output);
        EXPECT_FALSE(path.empty()) << output;
        return path;
    }

    // Starts a recording through the Start Capture dialog answered with
    // `path` (by its full name, so an existing capture is replaced), runs
    // `during`, and records `packets` of a simulated sensor of `model`.
    void record(
        const std::string& path, const std::string& model,
        const std::function<void()>& during = [] {}) {
        answer_dialogs_with(path);
        app_->start_capture();
        ASSERT_TRUE(app_->is_recording());
        during();
        send(model, 600);
        EXPECT_TRUE(pump_until([&] { return app_->capture_recorder().packet_count() > 500u; }));
        app_->stop_capture();
    }
    void send(const std::string& model, int packets) {
        const std::string sim = binary_dir() + "/tools/sensor_sim/sensor_sim";
        ASSERT_EQ(run_pumping({sim, "--model", model, "--udp", "127.0.0.1", "--packets",
                               std::to_string(packets)},
                              "sim"),
                  0);
    }
    // The points the first view draws that pass `test`.
    size_t drawn(const std::function<bool(const PointVertex&)>& test) {
        const std::vector<PointVertex>& points = app_->first_view()->vertices();
        return size_t(std::count_if(points.begin(), points.end(), test));
    }
    void use_demo(const std::string& lines) {
        app_->set_demo_mode(0);
        use_demo_standin(dir_, lines, "repeat");
        app_->set_demo_mode(1);
        ASSERT_TRUE(pump_until([&] { return app_->demo_input_running(); }));
    }

    std::string dir_;
    std::string window_;
    nanogui::ref<ViewerApplication> app_;
};

// The demo's first line is the reference; the lines after it turn by 90 or
// 180 degrees about the vertical, or not at all.
const char* const quarter_turn = "1 0 0 0 0 0 0|0.7071068 0 0 0.7071068 0 0 0";
const char* const half_turn = "1 0 0 0 0 0 0|0 0 0 1 0 0 0";
const char* const no_turn = "1 0 0 0 0 0 0|1 0 0 0 0 0 0";

bool ahead(const PointVertex& v) { return v.y > std::abs(v.x); }
bool to_the_left(const PointVertex& v) { return v.x < -std::abs(v.y); }
bool behind(const PointVertex& v) { return v.y < 0.0f; }

// Live packets from a simulated sensor are recorded while the window runs,
// with the IMU demo's side file: the capture holds exactly what the SDK
// delivered, and replayed it draws the same cloud. A replay loaded during a
// recording does not end up in it.
TEST_F(WindowTest, RecordingHoldsEveryLivePacketAndReplaysTheSameCloud) {
    const std::string sim = binary_dir() + "/tools/sensor_sim/sensor_sim";
    if (!executable_exists(sim) || !executable_exists("/usr/bin/capinfos")) GTEST_SKIP();
    // The clouds are compared; the Control Panel shows different rows live and replaying.
    app_->set_panels_visible(false);
    // The IMU demo runs (a stand-in tool): the recording gets its side file.
    use_demo_standin(dir_, "1 0 0 0 0 0 0|0.7071068 0 0 0.7071068 0 0 0", "repeat");
    app_->set_demo_mode(1);
    ASSERT_TRUE(pump_until([&] { return app_->demo_input_running(); }));

    ASSERT_EQ(::mkdir((dir_ + "/day1").c_str(), 0755), 0);
    answer_dialogs_with(dir_ + "/day1/live");  // the dialog's answer gets its ".pcap"
    app_->start_capture();
    ASSERT_TRUE(app_->is_recording());
    ASSERT_EQ(run_pumping({sim, "--udp", "127.0.0.1", "--packets", "2000"}, "sim"), 0);
    Frame live;
    EXPECT_TRUE(pump_until([&] {
        live = grab();
        return app_->capture_recorder().packet_count() > 1800u && count(live, lit) > 3000u;
    })) << "the sensor's points are not drawn";
    app_->stop_capture();
    app_->set_demo_mode(0);
    const std::string imu = read_file(dir_ + "/day1/live_imu.dat");
    EXPECT_GT(imu.size(), 20 * imu_record_size);  // 50 samples a second for seconds
    EXPECT_EQ(imu.size() % imu_record_size, 0u);
    // Every packet the SDK delivered is in the file.
    const uint64_t delivered = app_->capture_recorder().packet_count();
    EXPECT_GT(delivered, 1800u);  // of 2000 and their information packets
    EXPECT_EQ(capinfos_packets(dir_ + "/day1/live.pcap"), delivered);

    answer_dialogs_with(dir_ + "/during_replay");
    app_->start_capture();
    // Settings beside or above a capture come with it.
    std::ofstream(dir_ + "/druvex_viewer_config.json") << R"({"show_uncalibrated": true})";
    const std::string capture = dir_ + "/day1/live.pcap";
    const char* dropped[] = {"notes.txt", capture.c_str()};
    EXPECT_TRUE(app_->dropCallbackEvent(2, dropped));
    ASSERT_TRUE(app_->replay_control().is_open());
    Frame replayed;
    EXPECT_TRUE(pump_until([&] {
        replayed = grab();
        return replay_drawn() && count(replayed, lit) > 3000u;
    })) << "the replayed points are not drawn";
    EXPECT_EQ(app_->current_config_path(), dir_ + "/druvex_viewer_config.json");
    EXPECT_TRUE(app_->viewer_config().show_uncalibrated);
    keep(live, "live");
    keep(replayed, "replayed");
    app_->stop_capture();
    EXPECT_EQ(capinfos_packets(dir_ + "/during_replay.pcap"), 0u);

    // The same sensor, the same scene: points in the same places.
    const size_t live_lit = count(live, lit);
    const size_t replay_lit = count(replayed, lit);
    EXPECT_GT(live_lit, 3000u);
    EXPECT_NEAR(double(replay_lit), double(live_lit), 0.15 * double(live_lit));
    EXPECT_LT(differing_pixels(live, replayed), live_lit / 2);
}

// Keys reach the application: Space pauses and resumes the replay, F1 and H
// show and hide the help, whose grey picture is drawn grey. A screenshot is
// the frame of the views alone, opaque, at the framebuffer's size, and never
// replaces a file the dialog did not ask about. A view's points export as PLY.
TEST_F(WindowTest, KeysHelpScreenshotsAndPointExport) {
    // A view without points exports a valid file of no points.
    ASSERT_NE(app_->first_view(), nullptr);
    answer_dialogs_with(dir_ + "/empty");
    app_->export_points(app_->first_view());
    EXPECT_EQ(open3d_points(dir_ + "/empty.ply"), 0);

    app_->load_capture(sample_capture(4));
    ASSERT_TRUE(pump_until([&] { return replay_drawn(); }));
    xdo({"key", "space"});
    EXPECT_FALSE(app_->replay_control().is_running());
    xdo({"key", "space"});
    EXPECT_TRUE(app_->replay_control().is_running());

    xdo({"key", "F1"});
    ASSERT_TRUE(app_->help()->visible());
    xdo({"key", "h"});
    EXPECT_FALSE(app_->help()->visible());
    xdo({"key", "F1"});
    xdo({"key", "q"});
    EXPECT_FALSE(app_->help()->visible());
    xdo({"key", "F1"});
    xdo({"key", "space"});  // paused: frames stay put for the comparison
    const Frame with_help = grab();
    keep(with_help, "with_help");
    const Eigen::Vector2i help_at = app_->help()->absolutePosition();
    const Eigen::Vector2i help_size = app_->help()->size();
    // The picture fills the window: grey, never tinted red.
    const int x0 = help_at.x(), y0 = help_at.y() + 40;  // below the title
    const int x1 = x0 + help_size.x(), y1 = help_at.y() + help_size.y();
    const size_t grey = count(with_help, neutral, x0, y0, x1, y1);
    EXPECT_GT(grey, size_t((x1 - x0) * (y1 - y0)) / 2);
    EXPECT_EQ(count(
                  with_help, [](const uint8_t* p) { return p[0] > p[1] + 40; }, x0, y0, x1, y1),
              0u);

    const std::string kept = dir_ + "/shot.png";
    std::ofstream(kept) << "the user's picture";
    answer_dialogs_with(dir_ + "/shot");  // would become the existing shot.png
    app_->save_screenshot_as();
    EXPECT_EQ(read_file(kept), "the user's picture");
    EXPECT_TRUE(logged("Screenshot failed! " + kept));
    xdo({"key", "F11"});  // panels hidden by the user stay hidden after a shot
    ASSERT_FALSE(app_->panels_visible());
    answer_dialogs_with(dir_ + "/views");
    app_->save_screenshot_as();
    EXPECT_TRUE(app_->help()->visible());  // shown again after the shot
    EXPECT_FALSE(app_->panels_visible());

    LodePNGColorType type = LCT_GREY;
    unsigned depth = 0;
    const Frame shot = load_png(dir_ + "/views.png", &type, &depth);
    EXPECT_EQ(type, LCT_RGBA);
    EXPECT_EQ(depth, 8u);
    EXPECT_EQ(shot.width, app_->framebufferSize().x());
    EXPECT_EQ(shot.height, app_->framebufferSize().y());
    EXPECT_EQ(count(shot, [](const uint8_t* p) { return p[3] != 255; }), 0u);
    EXPECT_GT(count(shot, lit), 300u);
    // Where the help window was, the shot shows the views instead.
    EXPECT_LT(count(shot, neutral, x0, y0, x1, y1), grey / 10);

    // The points of the view as drawn.
    View* view = app_->first_view();
    answer_dialogs_with(dir_ + "/points");
    app_->export_points(view);
    EXPECT_GT(view->vertices().size(), 1000u);
    EXPECT_EQ(open3d_points(dir_ + "/points.ply"), long(view->vertices().size()));
}

// A screenshot is the picture in the window without its panels, with the
// smoothed edges, points and text the user sees: compared with what the X
// server shows of the window (panels hidden with F11), pixel for pixel.
TEST_F(WindowTest, ScreenshotEqualsTheWindowWithoutItsPanels) {
    if (!executable_exists("/usr/bin/import") || !executable_exists("/usr/bin/compare"))
        GTEST_SKIP() << "no ImageMagick";
    app_->load_capture(sample_capture(4));
    ASSERT_TRUE(pump_until([&] { return replay_drawn(); }));
    xdo({"key", "space"});
    ASSERT_FALSE(app_->replay_control().is_running());
    xdo({"key", "F11"});
    ASSERT_FALSE(app_->panels_visible());
    answer_dialogs_with(dir_ + "/shot.png");
    app_->save_screenshot_as();
    ASSERT_TRUE(pump_until([&] { return ::access((dir_ + "/shot.png").c_str(), F_OK) == 0; }));
    const std::string shown = dir_ + "/window.png";
    ASSERT_EQ(run_pumping({"/usr/bin/import", "-window", window_, shown}, "import"), 0)
        << read_file(dir_ + "/import.txt");
    LodePNGColorType type = LCT_GREY;
    unsigned depth = 0;
    EXPECT_GT(count(load_png(dir_ + "/shot.png", &type, &depth), lit), 3000u) << "no points";
    // "compare -metric AE" prints the number of pixels that differ.
    run_pumping(
        {"/usr/bin/compare", "-metric", "AE", dir_ + "/shot.png", shown, dir_ + "/difference.png"},
        "compare");
    const std::string differing = read_file(dir_ + "/compare.txt");
    ASSERT_FALSE(differing.empty() || !std::isdigit(static_cast<unsigned char>(differing[0])))
        << differing;
    EXPECT_LT(std::strtod(differing.c_str(), nullptr), 100.0) << "pictures in " << dir_;
}

// The mouse orbits, pans and zooms the camera of the view under it, and with
// the ruler on, Control and a left drag measure from press to release.
TEST_F(WindowTest, MouseOrbitsPansZoomsAndMeasures) {
    app_->load_capture(sample_capture(4));
    ASSERT_TRUE(pump_until([&] { return replay_drawn(); }));
    xdo({"key", "space"});
    ASSERT_FALSE(app_->replay_control().is_running());
    View* view = app_->first_view();
    ASSERT_NE(view, nullptr);
    RenderConfig& camera = view->renderer.camera();
    const Frame start = grab();

    const float azimuth = camera.view_rotation_azimuth;
    xdo_at(512, 384,
           {"mousedown", "1", "mousemove", "--window", window_, "612", "384", "mouseup", "1"});
    EXPECT_NEAR(camera.view_rotation_azimuth - azimuth,
                2.0f * 100 * camera.pixel_ratio / camera.viewport_width, 1e-4f);
    const Frame orbited = grab();
    keep(orbited, "orbited");
    EXPECT_GT(differing_pixels(start, orbited), 500u);

    const Eigen::Vector3f centre(camera.view_center_x, camera.view_center_y, camera.view_center_z);
    const Eigen::Vector3f expected_pan =
        camera.screen_delta_to_world(-50, -30, camera.projection() * camera.view_matrix());
    xdo_at(512, 384,
           {"mousedown", "3", "mousemove", "--window", window_, "562", "414", "mouseup", "3"});
    const Eigen::Vector3f moved(camera.view_center_x, camera.view_center_y, camera.view_center_z);
    EXPECT_LT((moved - centre - expected_pan).norm(), 1e-3f * (1.0f + expected_pan.norm()));
    EXPECT_GT(expected_pan.norm(), 0.0f);
    EXPECT_GT(differing_pixels(orbited, grab()), 500u);

    const float zoom = camera.zoom_scale;
    xdo_at(512, 384, {"click", "4"});
    EXPECT_FLOAT_EQ(camera.zoom_scale, zoom * 1.25f);
    xdo_at(512, 384, {"click", "5"});
    EXPECT_FLOAT_EQ(camera.zoom_scale, zoom * 1.25f * 0.8f);
    // The ruler (its Control Panel toggle sets this).
    view->renderer.measuring = true;
    const Eigen::Vector2i a(400, 300), b(650, 450);
    const Eigen::Vector3f ua = camera.screen_to_world(a.x(), a.y());
    const Eigen::Vector3f ub = camera.screen_to_world(b.x(), b.y());
    xdo_at(a.x(), a.y(),
           {"keydown", "ctrl", "mousedown", "1", "mousemove", "--window", window_,
            std::to_string(b.x()), std::to_string(b.y()), "mouseup", "1", "keyup", "ctrl"});
    const Frame measured = grab();
    keep(measured, "measured");
    const GlBuffer* line = LinesRenderer::existing()->find(view->renderer.measure_line_name);
    ASSERT_NE(line, nullptr);
    ASSERT_GE(line->vertex_count, 2u);
    std::vector<LineVertex> vertices(line->vertex_count);
    glBindBuffer(GL_ARRAY_BUFFER, line->vertex_buffer);
    glGetBufferSubData(GL_ARRAY_BUFFER, 0, GLsizeiptr(vertices.size() * sizeof(LineVertex)),
                       vertices.data());
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    const Eigen::Vector3f from(vertices.front().x, vertices.front().y, vertices.front().z);
    const Eigen::Vector3f to(vertices.back().x, vertices.back().y, vertices.back().z);
    // Stored in world order (x, y, z) = render (0, 2, 1): the ends lie under press and release.
    const Eigen::Vector3f wa(ua[0], ua[2], ua[1]), wb(ub[0], ub[2], ub[1]);
    const float tolerance = 1e-3f * (1.0f + (wb - wa).norm());
    EXPECT_LT((from - wa).norm(), tolerance);
    EXPECT_LT((to - wb).norm(), tolerance);
    EXPECT_GT((to - from).norm(), 0.0f);
    // The white line runs between the two points on screen.
    const float r = camera.pixel_ratio;
    const Eigen::Vector2i mid((a + b) / 2);
    size_t white = 0;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const uint8_t* p = measured.at(int(mid.x() * r) + dx, int(mid.y() * r) + dy);
            white += (p[0] > 200 && p[1] > 200 && p[2] > 200);
        }
    }
    EXPECT_GT(white, 0u);

    // In a narrow window one middle drag can be longer than the view is wide:
    // its factor 1 - dy / width would turn the zoom negative.
    xdo({"windowsize", "--sync", window_, "400", "768"});
    ASSERT_TRUE(pump_until([&] { return camera.viewport_width == int(400 * camera.pixel_ratio); }));
    const float before_drag = camera.zoom_scale;
    // Right of the Control Panel, which covers the view's left 250 units.
    xdo_at(330, 10,
           {"mousedown", "2", "mousemove", "--window", window_, "330", "760", "mouseup", "2"});
    EXPECT_EQ(camera.zoom_scale, before_drag);
    xdo_at(330, 400,
           {"mousedown", "2", "mousemove", "--window", window_, "330", "500", "mouseup", "2"});
    EXPECT_FLOAT_EQ(camera.zoom_scale, before_drag * (1.0f - 100.0f / 400.0f));
}

// The IMU side file belongs to the recording made with it: recording over a
// capture takes the old one away, the demo chosen during a recording starts
// one, a link at its name is never written through, and samples of another
// time beside a capture are not used.
TEST_F(WindowTest, ImuSideFileBelongsToItsOwnRecording) {
    if (!executable_exists(binary_dir() + "/tools/sensor_sim/sensor_sim")) GTEST_SKIP();
    const std::string capture = dir_ + "/ow.pcap", side = dir_ + "/ow_imu.dat";
    use_demo(quarter_turn);
    record(capture, "5");
    const std::string turned = read_file(side);
    EXPECT_GT(turned.size(), 0u);
    app_->load_capture(capture);
    ASSERT_TRUE(pump_until([&] { return replay_drawn() && drawn(to_the_left) > 1000u; }))
        << "the replay is not turned by its own samples";
    static_cast<ReplayPanelHost&>(*app_).unload_capture();  // the Capture panel's stop

    // Again without the demo, the user agreeing to replace the capture.
    app_->set_demo_mode(0);
    record(capture, "5");
    EXPECT_FALSE(file_exists(side)) << "the replaced capture's samples stayed";
    app_->load_capture(capture);
    EXPECT_TRUE(pump_until([&] { return replay_drawn() && drawn(ahead) > 1000u; }));
    EXPECT_LT(drawn(to_the_left), drawn(ahead) / 10) << "the replay is turned";
    static_cast<ReplayPanelHost&>(*app_).unload_capture();  // the Capture panel's stop

    // A link planted at the side file's name goes; the demo chosen during
    // the recording starts the side file.
    const std::string users = dir_ + "/users.dat";
    std::ofstream(users) << "the user's bytes";
    ASSERT_EQ(::symlink(users.c_str(), side.c_str()), 0);
    int64_t chosen_us = 0;
    record(capture, "5", [&] {
        chosen_us = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
        use_demo(quarter_turn);
    });
    EXPECT_EQ(read_file(users), "the user's bytes");
    struct stat st {};
    ASSERT_EQ(::lstat(side.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ImuCapture samples;
    ASSERT_TRUE(samples.load(side, nullptr));
    ASSERT_FALSE(samples.empty()) << "no side file from the demo chosen while recording";
    EXPECT_GE(samples.timestamps().front(), chosen_us);

    // A new capture whose side file name holds a link: the link's file is
    // left alone, and that is said.
    ASSERT_EQ(::symlink(users.c_str(), (dir_ + "/fresh_imu.dat").c_str()), 0);
    record(dir_ + "/fresh.pcap", "5");
    EXPECT_EQ(read_file(users), "the user's bytes");
    EXPECT_TRUE(logged("Could not open imu capture file! " + dir_ + "/fresh_imu.dat"));

    // Samples of another time beside a capture: not used, and said.
    app_->set_demo_mode(0);
    std::string old_sample = turned.substr(0, imu_record_size);
    old_sample.replace(0, 8, std::string("\x10\x27\0\0\0\0\0\0", 8));  // 10 ms after 1970
    ASSERT_EQ(::unlink((dir_ + "/fresh_imu.dat").c_str()), 0);
    std::ofstream(dir_ + "/fresh_imu.dat", std::ios::binary) << old_sample;
    app_->load_capture(dir_ + "/fresh.pcap");
    EXPECT_TRUE(pump_until([&] { return replay_drawn() && drawn(ahead) > 1000u; }));
    EXPECT_EQ(drawn(to_the_left), 0u);
    EXPECT_TRUE(logged("Imu capture ignored! " + dir_ + "/fresh_imu.dat"));
}

// A replay's panorama holds its own points only, not those of the live
// demo input before it.
TEST_F(WindowTest, ReplayPanoramaStartsEmpty) {
    if (!executable_exists(binary_dir() + "/tools/sensor_sim/sensor_sim")) GTEST_SKIP();
    const std::string model = "4";  // the IMU demo's sensor, which paints a panorama
    use_demo(no_turn);
    record(dir_ + "/ahead.pcap", model);
    use_demo(half_turn);
    send(model, 600);
    ASSERT_TRUE(pump_until([&] { return drawn(behind) > 1000u; })) << "no live panorama";

    app_->load_capture(dir_ + "/ahead.pcap");
    EXPECT_TRUE(pump_until([&] { return replay_drawn() && drawn(ahead) > 1000u; }));
    EXPECT_EQ(drawn(behind), 0u) << "the live panorama is drawn over the replay";
}

}  // namespace
}  // namespace druvex
