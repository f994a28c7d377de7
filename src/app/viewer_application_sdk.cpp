// How the application drives the SDK and receives its packets and frames.
#include "viewer_application.h"

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace druvex {

ViewerApplication* application_instance();

namespace {

void log_sdk_error(spdlog::logger& logger, const SdkError& error, const std::string& context) {
    if (error.ok()) return;
    if (context.empty()) {
        logger.warn("SDK Error: {}", error.what());
    } else {
        logger.warn("{}: {}", context, error.what());
    }
}

void raw_frames_callback(uint64_t handle, size_t n_points,
                         const DruvexSensorRawPointWithTime* points, void*) {
    ViewerApplication* app = application_instance();
    if (app == nullptr) return;
    const int64_t time_us = app->current_time_usec();
    app->on_raw_frame(handle, time_us, n_points, points);
}

}  // namespace

void ViewerApplication::network_packet_callback(uint64_t handle, int64_t timestamp_usec,
                                                const uint8_t* buffer, size_t size, void* user) {
    static_cast<ViewerApplication*>(user)->on_network_packet(handle, timestamp_usec, buffer, size);
}

// Holds no lock of the application's: the replay thread may call the frame
// callback while it holds the SDK's callback slot, which registering takes.
void ViewerApplication::init_sdk() {
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS;
    options.frame_options.mode = DRUVEX_SDK_FRAME_HALF_SCAN;
    druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_sdk_error, this);
    SdkError error = last_sdk_error();
    // Another program may hold the port. Without networking the viewer still
    // replays captures, so it starts offline rather than not at all.
    // Said on standard error and in the log, not over the window: the user
    // asked for nothing yet, and a replay works as it should.
    if (error.code == DRUVEX_ERROR_COMMUNICATION) {
        log_sdk_error(*background_logger_, error, "Initialization failed!");
        const std::string offline = fmt::format(
            "UDP port {} cannot be used: networking is off, captures still replay", options.port);
        background_logger_->warn(offline);
        std::fprintf(stderr, "DruvexViewer: %s\n%s\n", error.what(), offline.c_str());
        options.control_flags |= DRUVEX_SDK_CONTROL_DISABLE_NETWORK;
        druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_sdk_error, this);
        error = last_sdk_error();
    }
    if (!error.ok()) {
        report_sdk_error(error, "Initialization failed!");
        return;
    }
    druvex_sdk_listen_network_packet(network_packet_callback, this);
    if (SdkError error = last_sdk_error(); !error.ok()) {
        report_sdk_error(error, "Listen network packet failed!");
        return;
    }
    druvex_sdk_listen_raw_frames(raw_frames_callback, this);
    report_sdk_error(last_sdk_error(), "Listen raw frames failed!");
}

void ViewerApplication::shutdown_sdk() {
    druvex_sdk_deinitialize();
    last_sdk_error();
}

void ViewerApplication::report_sdk_error(const SdkError& error, const std::string& context) const {
    log_sdk_error(*logger, error, context);
}

// The sensors' own errors may come with every packet and answer no request of
// the user's: the log and standard error only.
void ViewerApplication::on_sdk_error(uint64_t, int32_t code, const char* message, const void*,
                                     size_t, void* user) {
    log_sdk_error(*static_cast<ViewerApplication*>(user)->background_logger_, SdkError(code, ""),
                  message != nullptr ? message : "");
}

void ViewerApplication::on_network_packet(uint64_t handle, int64_t received_us,
                                          const uint8_t* buffer, size_t size) {
    // Replayed packets come through here too; a recording holds live traffic only.
    if ((handle & druvex_sdk::replayed_handle_bit) != 0) return;
    // Stamped where the datagram was read, not now: packets may wait in the
    // SDK's queue, and a recording must keep the pace they came at. A full disk
    // ends the recording: said with the file and the reason.
    if (SdkError error = recorder.append(handle, received_us, buffer, size); !error.ok()) {
        report_file_failure("Append packet failed!", recorder.path(),
                            error.message.empty() ? error.what() : error.message);
        report_recording_losses(recorder.path());
    }
}

int64_t ViewerApplication::current_time_usec() {
    if (replay.is_open()) {
        return replay.get_start_time() + static_cast<int64_t>(replay.get_position() * 1e6f);
    }
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// SDK thread: the points are copied into a frame that waits in the mailbox for
// the GUI thread, so this thread goes back to its packets without waiting for
// drawing.
void ViewerApplication::on_raw_frame(uint64_t handle, int64_t time_us, size_t n_points,
                                     const DruvexSensorRawPointWithTime* points) {
    if (n_points == 0) return;  // streams read the first point's time stamp
    DruvexSensorInformation info;
    druvex_sdk_get_sensor_information(handle, &info);
    if (SdkError error = last_sdk_error(); !error.ok()) {
        report_sdk_error(error, "Get sensor information failed!");
        return;
    }
    arrived_frames_.post(info, std::make_unique<StreamFrame>(time_us, n_points, points));
}

// GUI thread, under data_mutex: the frames that arrived since the last call
// go to the views, oldest first.
void ViewerApplication::deliver_frames() {
    arrived_frames_.take(delivered_frames_);
    for (FrameMailbox::Entry& entry : delivered_frames_) {
        last_data_time_ = std::max(last_data_time_, entry.arrival.wall_s);
        views_.hand_off(config.enable_transforms, entry.info, std::move(entry.frame),
                        entry.arrival);
    }
}

}  // namespace druvex
