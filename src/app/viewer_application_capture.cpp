// ViewerApplication: opening and closing a replay, recording live packets,
// and the IMU demo input with its side file.
#include "viewer_application.h"

#include "panels/capture_panel.h"
#include "platform/file_search.h"
#include "platform/path_utils.h"
#include "platform/safe_file.h"

#include <fmt/format.h>
#include <nanogui/label.h>
#include <nanogui/slider.h>

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <ctime>

namespace druvex {
namespace {

// The folder of a file path: "." for a bare name, "/" for a file in the root.
std::string directory_of(const std::string& path) {
    if (path.find_first_of("/\\") == std::string::npos) return ".";
    const std::string directory = split_path(path).first;
    return directory.empty() ? "/" : directory;
}

// The SDK's text for a file it could not use names the file itself
// ("<code>: <path>: <reason>"); the message names it already.
std::string reason_after_path(const std::string& text, const std::string& path) {
    const std::string named = path + ": ";
    const size_t at = text.find(named);
    return at == std::string::npos ? text : text.substr(at + named.size());
}

}  // namespace

void ViewerApplication::load_capture(const std::string& path) {
    imu_reader.stop();
    std::string reason;
    const std::string imu_path = imu_capture.path();
    if (!imu_capture.close_and_clear(&reason)) {
        report_file_failure("Could not close imu capture file!", imu_path, reason);
    }
    if (SdkError error = replay.open(path); !error.ok()) {
        const bool readable = read_failure_reason(path) == "not a valid file";
        report_file_failure(
            "Load capture failed!", path,
            readable ? reason_after_path(error.what(), path) : read_failure_reason(path));
        resume_demo_input();  // no replay is open: the viewer is on the live source
        return;
    }
    report_sdk_error(replay.set_enable_loop(true), "");
    load_imu_side_file(imu_side_file_path(path));
    remove_streams();
    load_capture_siblings(directory_of(path));
    report_sdk_error(replay.resume(), "Resume capture failed!");
}

// Orientation samples turn every point they meet: those of another recording
// (a side file left beside a capture of the same name) must not.
void ViewerApplication::load_imu_side_file(const std::string& side_file) {
    if (!file_exists(side_file)) return;
    std::string reason;
    if (!imu_capture.load(side_file, &reason)) {
        report_file_failure("Load imu capture failed!", side_file, reason);
        return;
    }
    const int64_t start = replay.get_start_time();
    const int64_t end = start + static_cast<int64_t>(double(replay.get_length()) * 1e6);
    if (imu_capture.empty() || imu_capture.overlaps(start, end)) return;
    report_file_failure("Imu capture ignored!", side_file,
                        "its samples lie outside the capture's time span");
    imu_capture.close_and_clear(nullptr);
}

void ViewerApplication::load_capture_siblings(const std::string& directory) {
    if (std::string p = find_file_upwards(directory, viewer_config_file_name); !p.empty()) {
        load_config(p, true);
    }
    if (std::string p = find_file_upwards(directory, transforms_file_name); !p.empty()) {
        load_transforms(p);
        std::lock_guard<std::mutex> lock(data_mutex);
        config.enable_transforms = true;
    }
    if (std::string p = find_file_upwards(directory, clips_file_name); !p.empty()) {
        load_clips(p);
        config.enable_clips = true;
    }
}

void ViewerApplication::unload_capture() {
    report_sdk_error(replay.close(), "Unload capture failed!");
    std::string reason;
    const std::string imu_path = imu_capture.path();
    if (!imu_capture.close_and_clear(&reason)) {
        report_file_failure("Could not close imu capture file!", imu_path, reason);
    }
    remove_streams();
    druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK, 0);
    report_sdk_error(last_sdk_error(), "Unload capture failed!");
    resume_demo_input();
}

void ViewerApplication::refresh_frames() {
    if (replay.is_open() && !replay.is_running()) {
        report_sdk_error(replay.run_paused([this] { return replay_recent_frames(); }), "");
    } else {
        clear_views();
    }
}

// The last half second up to the record at the position, played twice. The
// SDK's unfinished frames still hold points of wherever the replay was before
// (where it was paused, or before a seek), and a frame ends by what it holds:
// the first pass brings every sensor's packets to this stretch, and the jump
// back to replay it again makes every sensor start its frames afresh there.
// What the views get is then the same whatever came before.
SdkError ViewerApplication::replay_recent_frames() {
    const float position = replay.get_position();
    const float from = position > 0.5f ? position - 0.5f : 0.0f;
    for (int pass = 0; pass < 2; ++pass) {
        clear_views();
        report_sdk_error(replay.seek(from), "Seek capture failed!");
        report_sdk_error(replay.resume_blocking_to(position), "Resume capture failed!");
    }
    // A position past the last record left the replay at the capture's end:
    // back to it, or the next frame would take the replay for one that played
    // to its end and rewind it to the start.
    if (replay.is_end()) report_sdk_error(replay.seek(position), "Seek capture failed!");
    return SdkError();
}

void ViewerApplication::start_capture() {
    ask_save_path("pcap", "Could not open capture file!", nullptr,
                  [this](const std::string& path, bool asked) { start_recording(path, asked); });
}

bool ViewerApplication::start_recording(const std::string& path, bool replace) {
    std::string reason;
    const bool replaces_capture = replace && file_exists(path);
    if (!recorder.start(path, replace, &reason)) {
        report_file_failure("Could not open capture file!", path, reason);
        return false;
    }
    // The samples beside a replaced capture belong to its packets, not to
    // these: they go, whether or not the demo runs now.
    const std::string side_file = imu_side_file_path(path);
    if (replaces_capture && !remove_stale_file(side_file, &reason)) {
        report_file_failure("Could not remove imu capture file!", side_file, reason);
    }
    imu_side_file_due_ = true;
    start_imu_side_file();
    return true;
}

// The side file starts with the demo input, at Start Capture or whenever the
// demo starts during the recording; once per recording.
void ViewerApplication::start_imu_side_file() {
    if (!imu_side_file_due_ || !recorder.is_recording() || !imu_reader.is_running()) return;
    imu_side_file_due_ = false;
    const std::string side_file = imu_side_file_path(recorder.path());
    std::string reason;
    if (!imu_capture.open(side_file, false, &reason)) {
        report_file_failure("Could not open imu capture file!", side_file, reason);
    }
}

void ViewerApplication::stop_capture() {
    const std::string path = recorder.path();
    std::string reason;
    if (!recorder.stop(&reason)) report_file_failure("Could not close capture file!", path, reason);
    report_recording_losses(path);
    imu_side_file_due_ = false;
    finish_imu_recording();
}

// The SDK drops its whole backlog when it falls too far behind the traffic;
// a recording must not look complete when it is not.
void ViewerApplication::report_recording_losses(const std::string& path) {
    if (const uint64_t lost = recorder.take_lost_packets()) {
        logger->warn(
            "Capture {} is missing {} packets: they arrived faster than they could be "
            "processed",
            path, lost);
    }
}

void ViewerApplication::finish_imu_recording() {
    if (!imu_capture.is_recording()) return;
    std::string reason;
    if (!imu_capture.close(&reason)) {
        report_file_failure("Could not close imu capture file!", imu_capture.path(), reason);
    }
}

void ViewerApplication::set_demo_mode(uint32_t mode) {
    demo_mode_ = mode;
    imu_reader.stop();
    if (mode == 1) imu_reader.start(imu_demo_command);
}

// A loaded capture stops the demo (the replay brings its own orientation) but
// not the user's choice, which the Demo Mode row goes on showing: once live
// packets can come again, that choice runs again, so a recording made then
// gets the orientation the row promises.
void ViewerApplication::resume_demo_input() { set_demo_mode(demo_mode_); }

// GUI thread, once per frame: a demo that ended by itself is said. The
// Demo Mode row keeps the user's choice; the message says why nothing comes.
void ViewerApplication::watch_demo_input() {
    if (demo_mode_ == 0) return;
    const std::string failure = imu_reader.take_failure();
    if (failure.empty()) return;
    imu_reader.stop();  // its worker is done; the choice stays
    logger->warn("Demo Mode failed! {}", failure);
}

// GUI thread, once per frame: recorded packets reach the file even while no
// more arrive, and the demo's samples go to memory and, while recording, into
// the side file.
void ViewerApplication::forward_imu_samples() {
    if (SdkError error = recorder.flush_if_due(); !error.ok()) {
        report_sdk_error(error, "Append packet failed!");
    }
    // A recording that ended on a failed packet write takes its side file along.
    if (imu_capture.is_recording() && !recorder.is_recording()) finish_imu_recording();
    if (replay.is_open() || !imu_reader.is_running()) return;
    start_imu_side_file();
    std::vector<int64_t> timestamps;
    std::vector<ImuSample> samples;
    imu_reader.take_samples(timestamps, samples);
    for (size_t i = 0; i < timestamps.size(); ++i) {
        if (!imu_capture.append(timestamps[i], samples[i])) finish_imu_recording();
    }
}

void ViewerApplication::replay_time_label(nanogui::Label* label, nanogui::Slider* slider) {
    if (!replay.is_open()) return;
    const float length = replay.get_length();
    float position = replay.get_position();
    if (!toolbar_.replay_slider_dragging) {
        toolbar_.replay_slider_fraction = length > 0.0f ? position / length : 0.0f;
        if (slider != nullptr) slider->setValue(toolbar_.replay_slider_fraction);
    } else {
        position = length * toolbar_.replay_slider_fraction;
    }
    if (label != nullptr) {
        label->setCaption(fmt::format("{} / {}", format_minutes_seconds(position),
                                      format_minutes_seconds(length)));
    }
}

void ViewerApplication::capture_file_label(nanogui::Label* label) {
    const std::string name = split_path(replay.get_filename()).second;
    if (label != nullptr) label->setCaption(split_extension(name).first.substr(0, 30));
}

}  // namespace druvex
