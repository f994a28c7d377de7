// The per-sensor groups: identity, health, GPS time, image clip and pose.
#include "sensor_panels.h"

#include "panel_host.h"
#include "panel_rows.h"
#include "panel_values.h"
#include "platform/numeric_utils.h"
#include "settings/sensor_transform.h"
#include "view/view.h"

#include <cmath>
#include <cstring>

namespace druvex {

namespace {

// The stream a row acts on, found again on every use.
struct StreamRef {
    View* view;
    uint64_t handle;

    SensorStream* get() const { return view->stream(handle); }
};

// A getter that reads the stream on every refresh (a default value once it is gone).
template <typename T, typename Read>
std::function<T()> follow(StreamRef ref, Read read) {
    return [ref, read]() -> T {
        const SensorStream* s = ref.get();
        return s != nullptr ? static_cast<T>(read(*s)) : T();
    };
}

template <typename T>
std::function<T()> constant(T value) {
    return [value]() { return value; };
}

std::unique_ptr<ScopeGuard> open_popup(FormHelper& form, const std::string& caption, int width) {
    nanogui::PopupButton* button = form.addPopupButton(caption);
    button->popup()->setFixedWidth(width);
    return form.scopedWindow(button->popup(), true);
}

std::string bounded_text(const char* text, size_t size) {
    return std::string(text, strnlen(text, size));
}

void build_info_panel(const SensorStream& stream, FormHelper& form) {
    auto scope = open_popup(form, "Info", 200);
    const DruvexSensorInformation& info = stream.info();
    add_shown_row<uint64_t>(form, "Serial #", constant(info.serial_number));
    add_shown_row<std::string>(form, "Model",
                               constant(bounded_text(info.model_name, sizeof info.model_name)));
    add_shown_row<std::string>(
        form, "Firmware",
        constant(bounded_text(info.firmware_version, sizeof info.firmware_version)));
    add_shown_row<int64_t>(form, "Period", constant(period_microseconds(info.measurement_period)))
        ->setUnits("us");
    add_shown_row<uint8_t>(form, "# Returns", constant(info.return_count));
    add_shown_row<uint8_t>(form, "# Segments", constant(info.segment_count));
    add_shown_row<bool>(form, "Mocked", constant((info.flags & DRUVEX_SENSOR_FLAG_IS_MOCKED) != 0));
    add_shown_row<bool>(form, "Calibrated",
                        constant((info.flags & DRUVEX_SENSOR_FLAG_IS_CALIBRATED) != 0));
}

void add_monitor_row(FormHelper& form, const std::string& caption, const std::string& units,
                     std::function<float()> getter) {
    FloatRowOptions options;
    options.units = units;
    options.step = 1.0f;
    options.editable = false;
    add_float_row(
        form, caption, [](float) {}, getter, options);
}

void build_monitors_panel(StreamRef ref, FormHelper& form) {
    auto scope = open_popup(form, "Monitors", 200);
    using S = const SensorStream&;
    add_monitor_row(form, "Temp", "°C",
                    follow<float>(ref, [](S s) { return s.info().temperature; }));
    add_monitor_row(form, "Humidity", "%",
                    follow<float>(ref, [](S s) { return s.info().humidity; }));
    add_monitor_row(form, "Run Time", "h",
                    follow<float>(ref, [](S s) { return s.info().run_time; }));
    add_monitor_row(form, "FPS", "", follow<float>(ref, [](S s) { return s.frame_rate(); }));
    add_monitor_row(form, "FOV X", "°",
                    follow<float>(ref, [](S s) { return radians_to_degrees(s.horizontal_fov()); }));
    add_monitor_row(form, "FOV Z", "°",
                    follow<float>(ref, [](S s) { return radians_to_degrees(s.vertical_fov()); }));
}

void build_nmea_panel(StreamRef ref, FormHelper& form) {
    auto scope = open_popup(form, "GPS", 150);
    using S = const SensorStream&;
    add_shown_row<bool>(form, "PPS", follow<bool>(ref, [](S s) {
                            return (s.info().flags & DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED) != 0;
                        }));
    add_shown_row<bool>(form, "NMEA", follow<bool>(ref, [](S s) {
                            return (s.info().flags & DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED) != 0;
                        }));
    const char* captions[] = {"Year", "Month", "Day", "Hour", "Min", "Sec"};
    for (size_t i = 0; i < 6; ++i) {
        add_shown_row<uint8_t>(form, captions[i],
                               follow<uint8_t>(ref, [i](S s) { return s.info().gps_time[i]; }));
    }
}

// A row that edits one value of the stream and then stores the stream's whole
// clip or pose: `write` changes the stream, `commit` stores it.
template <typename Read, typename Write, typename Commit>
void add_stream_row(FormHelper& form, StreamRef ref, const std::string& caption,
                    const FloatRowOptions& options, Read read, Write write, Commit commit) {
    add_float_row(
        form, caption,
        [ref, write, commit](float v) {
            if (SensorStream* s = ref.get()) {
                write(*s, v);
                commit(*s);
            }
        },
        follow<float>(ref, read), options);
}

// Rows of the Clip and Transform popups: one decimal shown, symmetric limits
// where `limit` is positive.
FloatRowOptions sensor_row_options(const std::string& units, float default_value, float limit,
                                   float increment) {
    FloatRowOptions options;
    options.units = units;
    options.default_text = format_fixed(default_value);
    if (limit > 0.0f) options.min = -limit, options.max = limit;
    options.increment = increment;
    options.step = 0.1f;
    return options;
}

FloatRowOptions clip_options(const std::string& units, float default_value, bool angle) {
    return sensor_row_options(units, default_value, angle ? 85.0f : 0.0f, 1.0f);
}

void build_clip_panel(StreamRef ref, PanelHost& host, FormHelper& form) {
    auto group = form.scopedGroup(host.advanced_rows_group());
    auto scope = open_popup(form, "Clip", 200);
    PanelHost* h = &host;
    // The stream follows the clips store by itself (once a frame, before the rows refresh).
    auto apply_sensor_clip = [h](SensorStream& s) {
        h->store_image_clip(s.info().serial_number, s.image_clip);
    };
    form.addButton("Reset", [ref, apply_sensor_clip] {
        if (SensorStream* s = ref.get()) {
            s->image_clip = ImageClip();
            apply_sensor_clip(*s);
        }
    });
    using S = const SensorStream&;
    using W = SensorStream&;
    add_stream_row(
        form, ref, "Min Dist", clip_options("m", 0.0f, false),
        [](S s) { return s.image_clip.min_distance; },
        [](W s, float v) { s.image_clip.min_distance = v; }, apply_sensor_clip);
    add_stream_row(
        form, ref, "Max Dist", clip_options("m", 10000.0f, false),
        [](S s) { return s.image_clip.max_distance; },
        [](W s, float v) { s.image_clip.max_distance = v; }, apply_sensor_clip);
    add_stream_row(
        form, ref, "Min X", clip_options("°", -85.0f, true),
        [](S s) { return tangent_to_degrees(s.image_clip.min_image_x); },
        [](W s, float v) { s.image_clip.min_image_x = degrees_to_tangent(v); }, apply_sensor_clip);
    add_stream_row(
        form, ref, "Max X", clip_options("°", 85.0f, true),
        [](S s) { return tangent_to_degrees(s.image_clip.max_image_x); },
        [](W s, float v) { s.image_clip.max_image_x = degrees_to_tangent(v); }, apply_sensor_clip);
    add_stream_row(
        form, ref, "Min Z", clip_options("°", -85.0f, true),
        [](S s) { return tangent_to_degrees(s.image_clip.min_image_z); },
        [](W s, float v) { s.image_clip.min_image_z = degrees_to_tangent(v); }, apply_sensor_clip);
    add_stream_row(
        form, ref, "Max Z", clip_options("°", 85.0f, true),
        [](S s) { return tangent_to_degrees(s.image_clip.max_image_z); },
        [](W s, float v) { s.image_clip.max_image_z = degrees_to_tangent(v); }, apply_sensor_clip);
}

FloatRowOptions pose_options(const std::string& units, float limit) {
    return sensor_row_options(units, 0.0f, limit, 0.1f);
}

void build_transform_panel(StreamRef ref, PanelHost& host, FormHelper& form) {
    auto group = form.scopedGroup(host.advanced_rows_group());
    auto scope = open_popup(form, "Transform", 200);
    PanelHost* h = &host;
    // The stream follows the transforms store by itself, angles included.
    // The angles are the authority: the stored quaternion is rebuilt from them.
    auto apply_sensor_transform = [h](SensorStream& s) {
        float* q = s.transform.rotation;
        euler_to_quaternion(s.azimuth, s.elevation, s.roll, &q[0], &q[1], &q[2], &q[3]);
        h->store_transform(s.info().serial_number, s.transform);
    };
    form.addButton("Reset", [ref, apply_sensor_transform] {
        if (SensorStream* s = ref.get()) {
            s->transform = SensorTransform();
            s->azimuth = s->elevation = s->roll = 0.0f;
            apply_sensor_transform(*s);
        }
    });
    using S = const SensorStream&;
    using W = SensorStream&;
    for (int axis = 0; axis < 3; ++axis) {
        const char* captions[] = {"X", "Y", "Z"};
        add_stream_row(
            form, ref, captions[axis], pose_options("m", 0.0f),
            [axis](S s) { return s.transform.translation[axis]; },
            [axis](W s, float v) { s.transform.translation[axis] = v; }, apply_sensor_transform);
    }
    add_stream_row(
        form, ref, "Azimuth", pose_options("°", 180.0f),
        [](S s) { return radians_to_degrees(s.azimuth); },
        [](W s, float v) { s.azimuth = degrees_to_radians(v); }, apply_sensor_transform);
    add_stream_row(
        form, ref, "Elevation", pose_options("°", 90.0f),
        [](S s) { return radians_to_degrees(s.elevation); },
        [](W s, float v) { s.elevation = degrees_to_radians(v); }, apply_sensor_transform);
    add_stream_row(
        form, ref, "Roll", pose_options("°", 180.0f),
        [](S s) { return radians_to_degrees(s.roll); },
        [](W s, float v) { s.roll = degrees_to_radians(v); }, apply_sensor_transform);
}

}  // namespace

void build_advanced_sensor_panels(View& view, uint64_t handle, PanelHost& host, FormHelper& form) {
    const StreamRef ref{&view, handle};
    const SensorStream* stream = ref.get();
    if (stream == nullptr) return;
    ExpandableWidget* body = form.addExpandableGroup(stream->name(), false);
    auto scope = form.scopedWindow(body, true);
    build_info_panel(*stream, form);
    build_monitors_panel(ref, form);
    build_nmea_panel(ref, form);
    build_clip_panel(ref, host, form);
    build_transform_panel(ref, host, form);
}

}  // namespace druvex
