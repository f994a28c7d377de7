// The viewer's main window and the owner of everything it shows.
#pragma once

#include "capture_recorder.h"
#include "formats/imu_capture.h"
#include "imu_reader.h"
#include "panels/panel_host.h"
#include "panels/toolbar_host.h"
#include "platform/failure_notices.h"
#include "platform/logger_sink.h"
#include "platform/rate_limiter.h"
#include "platform/sdk_utils.h"
#include "render/texture.h"
#include "replay_control.h"
#include "settings/clips_store.h"
#include "settings/default_settings_file.h"
#include "settings/transforms_store.h"
#include "settings/viewer_config.h"
#include "view/frame_mailbox.h"
#include "view/view_host.h"
#include "view/view_lists.h"
#include "widgets/form_helper.h"
#include "widgets/message_banner.h"

#include <druvex_sdk.h>
#include <nanogui/screen.h>
#include <spdlog/logger.h>

namespace nanogui {
class Button;
class Label;
class Slider;
class Window;
}  // namespace nanogui

#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace druvex {

extern const char* const program_name;     // "DruvexViewer"
extern const char* const program_version;  // "1.41"

// A camera zoom after a mouse gesture: factors that are not positive and
// finite change nothing, and the result stays within what the camera can show.
float bounded_zoom(float zoom_scale, float factor);

// Defined over viewer_application.cpp (construction, loading, shut-down),
// viewer_application_frame.cpp (per-frame drawing), viewer_application_input.cpp
// (keys, mouse and dropped files), viewer_application_sdk.cpp (SDK callbacks
// and replay glue), viewer_application_capture.cpp (replay, recording, IMU
// demo), viewer_application_actions.cpp (settings and file actions) and
// viewer_application_panels.cpp (what the Control Panels and the toolbar use).
class ViewerApplication : public nanogui::Screen,
                          public ViewHost,
                          public PanelHost,
                          public ToolbarHost {
public:
    ViewerApplication(bool fullscreen, int samples);
    ~ViewerApplication() override;

    void init();
    void save_state();

    // Default settings files in the data directory.
    static std::string config_path();
    static std::string clips_path();
    static std::string transforms_path();

    std::vector<View*> get_views() const { return views_.get_views(); }
    View* view_at(size_t index) const { return views_.view_at(index); }
    View* first_view() const override { return views_.first_view(); }
    void remove_streams();
    // Per frame; tests call it to let new views join and their streams show.
    void update_streams();

    // Settings actions (the command line, dropped files and the panels).
    void load_config(std::string path, bool set_current);
    void load_clips(const std::string& path);
    void save_clips(const std::string& path);
    void load_transforms(const std::string& path);
    ClipsStore& clips() override { return clips_; }
    TransformsStore& transforms() { return transforms_; }
    ViewerConfig& viewer_config() override { return config; }

    // Replay, recording and the IMU demo.
    void load_capture(const std::string& path);
    // The save dialog, then start_recording.
    void start_capture() override;
    // An existing file at `path` is replaced only with `replace` (the dialog
    // asked about it); the IMU side file of a capture replaced goes with it.
    // The demo input, running now or started later, gets a new side file.
    bool start_recording(const std::string& path, bool replace);
    // Ends the recording and its IMU side file (the Capture panel's "Stop Capture").
    void stop_capture() override;
    bool is_recording() const override { return recorder.is_recording(); }
    // 0 "None" stops the demo input, 1 "Tembrix" (re)starts it.
    void set_demo_mode(uint32_t mode) override;
    void save_screenshot_as() override;
    // The view's "Export Points": save dialog, then its points as PLY.
    void export_points(View* view);

    // The SDK's packet callback: live packets come through the SDK, replayed ones from `replay`.
    static void network_packet_callback(uint64_t handle, int64_t timestamp_usec,
                                        const uint8_t* buffer, size_t size, void* user);
    // The SDK's frame callback: a frame of a sensor, stamped with the time it
    // is shown at (the replay's clock while replaying).
    int64_t current_time_usec() override;
    void on_raw_frame(uint64_t handle, int64_t time_us, size_t n_points,
                      const DruvexSensorRawPointWithTime* points);

    MessageBanner* failure_banner() const { return banner_; }
    bool panels_visible() const override { return gui_visible; }
    void set_show_advanced(bool on) override { config.show_advanced = on; }

    // What tests look at and hold; the toolbar's faces stay private.
    ReplayControl& replay_control() { return replay; }
    const CaptureRecorder& capture_recorder() const { return recorder; }
    bool demo_input_running() const { return imu_reader.is_running(); }
    std::vector<LogRecord> log_records() const { return logger_sink->records(); }
    const std::string& current_config_path() const { return config_file_path; }
    nanogui::Window* help() const { return help_window; }
    void set_panels_visible(bool visible) { gui_visible = visible; }
    // The lock the GUI thread holds while it works on the views.
    std::mutex& data_mutex_for_tests() { return data_mutex; }
    // Runs on the GUI thread once a frame, after the application's own rows.
    void add_refresh_callback(const std::function<void()>& callback) {
        app_form->addRefreshCallback(callback);
    }

private:
    using PathAction = std::function<void(const std::string& path)>;

    void clear_views();
    void create_help_window();

    // Settings actions the panels and the keys reach.
    void save_config(std::string path, bool set_current);
    void save_transforms(const std::string& path);
    void reset_all();
    void reset_config();
    void reset_clips();
    void reset_transforms();
    void unload_config();
    void unload_clips();
    void unload_transforms();
    void set_sensor_enabled(uint64_t handle, bool enabled) override;

    // Replay.
    void load_capture_siblings(const std::string& directory);
    void unload_capture() override;
    void refresh_frames() override;
    SdkError replay_recent_frames();

    // File dialog actions; `trigger` is the panel button that ran them, if any.
    // The dialog runs beside the frames; its answer is acted on by a later frame.
    void save_config_as(nanogui::Button* trigger = nullptr);
    void save_clips_as(nanogui::Button* trigger = nullptr);
    void save_transforms_as(nanogui::Button* trigger = nullptr);
    void open_config_file(nanogui::Button* trigger = nullptr);
    void open_clips_file(nanogui::Button* trigger = nullptr);
    void open_transforms_file(nanogui::Button* trigger = nullptr);
    void open_capture_file() override;
    // The views as drawn, without panels: RGBA, 8 bits, opaque, the framebuffer's size.
    bool save_screenshot_png(const std::string& path);

    // Capture panel labels.
    void replay_time_label(nanogui::Label* label, nanogui::Slider* slider) override;
    void capture_file_label(nanogui::Label* label) override;

    // SDK glue.
    void init_sdk();
    void shutdown_sdk();
    void report_sdk_error(const SdkError& error, const std::string& context) const override;
    static void on_sdk_error(uint64_t handle, int32_t code, const char* message, const void* data,
                             size_t data_size, void* user);
    // `received_us`: when the datagram arrived, which is the time it is recorded with.
    void on_network_packet(uint64_t handle, int64_t received_us, const uint8_t* buffer,
                           size_t size);

    // Per frame.
    void drawContents() override;
    // Failures logged through "gui" since the last frame go to the banner.
    void show_failures();
    void store_view_configs();
    void apply_config();
    void layout_views();
    void pick_active_view();
    void autosave();

    // Input left over by the widgets.
    bool keyboardEvent(int key, int scancode, int action, int modifiers) override;
    bool mouseButtonEvent(const Eigen::Vector2i& p, int button, bool down, int modifiers) override;
    bool mouseDragEvent(const Eigen::Vector2i& p, const Eigen::Vector2i& rel, int button_mask,
                        int modifiers) override;
    bool scrollEvent(const Eigen::Vector2i& p, const Eigen::Vector2f& rel) override;
    bool dropEvent(const std::vector<std::string>& paths) override;
    void pan_active_view(const Eigen::Vector2i& rel);
    void zoom_active_view(const Eigen::Vector2i& rel);

    // Panels (viewer_application_gui.cpp): the visibility groups every toolbar
    // row joins, and the per-frame refresh of the application's own rows.
    void create_visibility_groups();
    void refresh_gui();

    // ViewHost.
    int64_t last_data_time() const override { return last_data_time_; }
    bool enable_clips() const override { return config.enable_clips; }
    bool enable_transforms() const override { return config.enable_transforms; }
    bool is_sensor_enabled(uint64_t handle) const override;
    bool is_first_view(const View* view) const override { return views_.is_first_view(view); }
    const ClipsStore& clips() const override { return clips_; }
    const TransformsStore& transforms() const override { return transforms_; }
    bool has_imu_samples() const override { return !imu_capture.empty(); }
    ImuSample imu_sample_at(int64_t time_us) const override {
        return imu_capture.sample_at(time_us);
    }
    NVGcontext* nvg_context() const override;
    std::unique_ptr<ViewPanel> make_view_panel(View& view) override;

    // PanelHost.
    nanogui::Screen* panel_screen() override { return this; }
    int panels_bottom() const override;
    bool show_advanced() const override { return config.show_advanced; }
    nanogui::Group* advanced_rows_group() override { return toolbar_.advanced_group.get(); }
    void toggle_help_window() override;
    void reset_settings() override { reset_all(); }
    void export_view_points(View& view) override { export_points(&view); }
    void build_toolbar_panels(FormHelper& form) override;
    void build_screenshot_demo_rows(FormHelper& form) override;
    void store_image_clip(uint64_t serial, const ImageClip& clip) override;
    void store_transform(uint64_t serial, const SensorTransform& transform) override;

    // ReplayPanelHost.
    bool replay_running() const override { return replay.is_running(); }
    void toggle_replay() override;
    void step_replay(float seconds) override;
    void seek_replay_fraction(float fraction) override;
    float replay_speed() const override { return replay.get_speed(); }
    void set_replay_speed(float speed) override { (void)replay.set_speed(speed); }
    // SettingsFilesHost.
    void open_settings_file(SettingsFileKind kind) override;
    void save_settings_file_as(SettingsFileKind kind) override;
    void reload_settings_file(SettingsFileKind kind) override;
    void save_settings_file(SettingsFileKind kind) override;
    void unload_settings_file(SettingsFileKind kind) override;
    void reset_settings_file(SettingsFileKind kind) override;
    // ToolsHost and ToolbarHost.
    uint32_t demo_mode() const override { return demo_mode_; }
    ToolbarState& toolbar_state() override { return toolbar_; }

    void create_loggers();
    json config_json() const;
    void load_default_transforms();
    void load_default_clips();
    bool save_default_file(DefaultSettingsFile& file, const json& document,
                           const char* failure_message);
    void report_default_load_failure(DefaultSettingsFile& file, const std::string& message,
                                     const std::string& reason);
    void remove_leftover_saves();
    void report_file_failure(const std::string& message, const std::string& path,
                             const std::string& reason) const;
    // Opens a file dialog; `then` runs with the answer unless it was cancelled.
    void ask_path(const char* extension, bool save, nanogui::Button* trigger, PathAction then);
    // A save dialog whose answer gets `extension` ensured; a name the suffix
    // turned into an existing file, which the dialog never asked to replace, is
    // refused with `failure_message`. `asked` tells whether the path is the
    // dialog's answer as it stands (so the dialog asked before naming an
    // existing file).
    using SavePathAction = std::function<void(const std::string& path, bool asked)>;
    void ask_save_path(const char* extension, const std::string& failure_message,
                       nanogui::Button* trigger, SavePathAction then);
    void ask_save_path(const char* extension, const std::string& failure_message,
                       nanogui::Button* trigger, PathAction then);
    void watch_demo_input();
    void keep_before_reset(DefaultSettingsFile& file, const json& reset_document);
    void forward_imu_samples();
    void load_imu_side_file(const std::string& side_file);
    void start_imu_side_file();
    void resume_demo_input();
    void report_recording_losses(const std::string& path);
    void deliver_frames();
    void finish_imu_recording();
    void save_default_stores();
    bool sensor_serial(uint64_t handle, uint64_t* serial) const;
    void draw_notice();
    void place_help_window();

    std::shared_ptr<LoggerSink> logger_sink;
    std::shared_ptr<spdlog::logger> logger;
    std::unique_ptr<FormHelper> app_form;
    bool gui_visible = true;
    ViewerConfig config;
    std::string config_file_path;
    RateLimiter autosave_limiter{1.0f};
    View* active_view = nullptr;
    ToolbarState toolbar_;
    uint32_t demo_mode_ = 0;
    // A recording runs whose IMU side file has not been started yet.
    bool imu_side_file_due_ = false;
    // Declared before the replay, whose thread writes into it, so it outlives it.
    CaptureRecorder recorder;
    ReplayControl replay{network_packet_callback, this,
                         [this](const SdkError& error) { report_sdk_error(error, ""); }};
    // Taken by the GUI thread around the views' upkeep and the settings they
    // read. No SDK thread takes it: frames come through arrived_frames_.
    std::mutex data_mutex;
    ImuCapture imu_capture;
    ImuReader imu_reader;
    GLTexture help_texture{"helpfile", 0};
    nanogui::Window* help_window = nullptr;

    // Written by the SDK's processing and replay threads, taken by the GUI
    // thread once a drawn frame; its own lock, held only to copy in or swap.
    FrameMailbox arrived_frames_;
    // GUI thread only: the frames of the last take, kept for the list's memory.
    std::vector<FrameMailbox::Entry> delivered_frames_;
    // GUI thread only (frames reach them through deliver_frames).
    ViewLists views_;
    TransformsStore transforms_;
    ClipsStore clips_;
    DefaultSettingsFile default_config_;
    DefaultSettingsFile default_transforms_;
    DefaultSettingsFile default_clips_;
    int64_t last_data_time_ = 0;  // GUI thread only: set as frames are delivered
    bool initialised_ = false;
    // The "gui" logger's sinks without the window's: for what the user did not
    // ask for (the autosave, the sensors' own errors), which must not cover the
    // window.
    std::shared_ptr<spdlog::logger> background_logger_;
    std::shared_ptr<FailureNotices> failure_notices_;
    MessageBanner* banner_ = nullptr;  // a child of this screen
};

}  // namespace druvex
