// The viewer's main window and the owner of everything it shows.
#pragma once

#include "panels/panel_host.h"
#include "platform/logger_sink.h"
#include "platform/rate_limiter.h"
#include "platform/sdk_utils.h"
#include "render/texture.h"
#include "replay_control.h"
#include "settings/clips_store.h"
#include "settings/default_settings_file.h"
#include "settings/transforms_store.h"
#include "settings/viewer_config.h"
#include "view/view_host.h"
#include "view/view_lists.h"
#include "widgets/form_helper.h"

#include <druvex_sdk.h>
#include <nanogui/screen.h>
#include <spdlog/logger.h>

namespace nanogui {
class Window;
}

#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace druvex {

extern const char* const PROGRAM_NAME;     // "DruvexViewer"
extern const char* const PROGRAM_VERSION;  // "1.41"

// Defined over viewer_application.cpp (construction, loading, shut-down),
// viewer_application_frame.cpp (per-frame drawing), viewer_application_input.cpp
// (keys and mouse), viewer_application_panels.cpp (what the Control Panels use) and
// viewer_application_sdk.cpp (SDK callbacks and replay glue).
class ViewerApplication : public nanogui::Screen, public ViewHost, public PanelHost {
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
    View* first_view() const { return views_.first_view(); }
    void clear_views();
    void remove_streams();
    void create_help_window();

    // Settings and capture actions used at start-up.
    void load_config(std::string path, bool set_current);
    void save_config(std::string path, bool set_current);
    void load_clips(const std::string& path);
    void load_transforms(const std::string& path);
    void load_capture(const std::string& path);
    void load_capture_siblings(const std::string& directory);
    void refresh_frames();
    SdkError replay_recent_frames();
    void set_sensor_enabled(uint64_t handle, bool enabled);

    // SDK glue.
    void init_sdk();
    void shutdown_sdk();
    void report_sdk_error(const SdkError& error, const std::string& context) const;
    static void on_sdk_error(uint64_t handle, int32_t code, const char* message, const void* data,
                             size_t data_size, void* user);
    // Live packets come through the SDK, replayed ones from `replay`.
    static void network_packet_callback(uint64_t handle, int64_t timestamp_usec,
                                        const uint8_t* buffer, size_t size, void* user);
    void on_network_packet(uint64_t handle, const uint8_t* buffer, size_t size);
    void on_raw_frame(uint64_t handle, int64_t time_us, size_t n_points,
                      const DruvexSensorRawPointWithTime* points);

    // Per frame.
    void drawContents() override;
    void update_streams();
    void store_view_configs();
    void apply_config();
    void layout_views();
    void pick_active_view();
    void autosave();

    bool keyboardEvent(int key, int scancode, int action, int modifiers) override;

    // ViewHost.
    int64_t current_time_usec() override;
    int64_t last_data_time() const override { return last_data_time_; }
    bool enable_clips() const override { return config.enable_clips; }
    bool enable_transforms() const override { return config.enable_transforms; }
    bool is_sensor_enabled(uint64_t handle) const override;
    bool is_first_view(const View* view) const override { return views_.is_first_view(view); }
    const ClipsStore& clips() const override { return clips_; }
    const TransformsStore& transforms() const override { return transforms_; }
    bool has_imu_samples() const override { return false; }
    NVGcontext* nvg_context() const override;

    // PanelHost.
    nanogui::Screen* panel_screen() override { return this; }
    bool panels_visible() const override { return gui_visible; }
    bool show_advanced() const override { return config.show_advanced; }
    void set_show_advanced(bool on) override { config.show_advanced = on; }
    nanogui::Group* advanced_rows_group() override { return advanced_group.get(); }
    void toggle_help_window() override;
    void reset_settings() override;
    void build_toolbar_panels(FormHelper& form) override;
    void build_screenshot_demo_rows(FormHelper& form) override;
    void store_image_clip(uint64_t serial, const ImageClip& clip) override;
    void store_transform(uint64_t serial, const SensorTransform& transform) override;

    std::shared_ptr<LoggerSink> logger_sink;
    std::shared_ptr<spdlog::logger> logger;
    // Carries the application's refresh callbacks (its visibility groups); refreshed every frame.
    std::unique_ptr<FormHelper> app_form;
    bool gui_visible = true;
    ViewerConfig config;
    std::string config_file_path;
    RateLimiter autosave_limiter{1.0f};
    View* active_view = nullptr;
    ReplayControl replay{network_packet_callback, this};
    std::mutex recorder_mutex;
    std::mutex data_mutex;
    // Rows shown while "Show Advanced" is on, and while it is off.
    GroupRef advanced_group;
    GroupRef basic_group;
    GLTexture help_texture{"helpfile", 0};
    nanogui::Window* help_window = nullptr;

private:
    json config_json() const;
    void load_default_transforms();
    void load_default_clips();
    bool save_default_file(DefaultSettingsFile& file, const json& document);
    void save_default_stores();
    bool sensor_serial(uint64_t handle, uint64_t* serial) const;
    void draw_notice();
    void place_help_window();

    ViewLists views_;
    TransformsStore transforms_;
    ClipsStore clips_;
    DefaultSettingsFile default_config_;
    DefaultSettingsFile default_transforms_;
    DefaultSettingsFile default_clips_;
    int64_t last_data_time_ = 0;
    bool initialised_ = false;
};

}  // namespace druvex
