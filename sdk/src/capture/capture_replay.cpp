// The replay thread: pacing, looping, seeking and delivery of captured packets.
#include "capture_replay.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "druvex_sdk.h"
#include "regular_file.h"

namespace druvex_sdk {
namespace {

// The replay that plays on the calling thread, if any: on its own thread, or
// blocking on a caller's. Its callbacks run there.
struct ReplayHere {
    const CaptureReplay* replay = nullptr;
    bool own_thread = false;
};
thread_local ReplayHere t_replay_here;

// Marks the calling thread for the while; a replay of another object may
// play inside, so the mark before is put back.
class MarkReplayHere {
public:
    MarkReplayHere(const CaptureReplay* replay, bool own_thread) : before_(t_replay_here) {
        t_replay_here = ReplayHere{replay, own_thread};
    }
    ~MarkReplayHere() { t_replay_here = before_; }
    MarkReplayHere(const MarkReplayHere&) = delete;
    MarkReplayHere& operator=(const MarkReplayHere&) = delete;

private:
    ReplayHere before_;
};

constexpr int64_t max_pacing_drift_usec = 1000000;
// The shortest pass of a looping replay, in capture time: a capture whose
// records span no time (one record, or all at one time) would otherwise start
// pass after pass without ever waiting, and hold a core.
constexpr int64_t min_pass_usec = 100000;

float seconds_of(int64_t usec) { return static_cast<float>(usec) * 0.000001f; }

int64_t wall_time_usec() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

SensorError first_error(const SensorError& a, const SensorError& b, const SensorError& c) {
    if (a) return a;
    if (b) return b;
    return c;
}

// Every refusal names the file and says why, also where a step gives only a code.
SensorError refusal(const SensorError& error, const std::string& path, const char* reason) {
    if (!error || !error.message.empty()) return error;
    return SensorError(error.code, file_error_text(path, reason));
}

// The SDK routes no packet on a thread that is handing out a frame: a
// blocking replay started from a frame callback is refused at its first.
SensorError step_error(int32_t code) {
    return code == DRUVEX_ERROR_GENERIC ? refused_in_callback() : SensorError(code);
}

}  // namespace

bool CaptureReplay::plays_here() const { return t_replay_here.replay == this; }

bool CaptureReplay::own_thread_here() const { return plays_here() && t_replay_here.own_thread; }

SensorError CaptureReplay::open(const std::string& path) {
    if (plays_here()) return refused_in_callback();
    (void)close();
    SensorError error;
    std::vector<std::string> notices;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        error = capture_.open_for_read(path);
        // A capture without a record has no position to be paused at, to
        // seek to or to play from. It is refused, with the code a replay
        // gives when nothing is left to play, rather than opened as a replay
        // on which every seek, rewind and blocking replay fails.
        if (!error && capture_.index().empty()) {
            error = SensorError(DRUVEX_ERROR_EOF, capture_.end_notice());
        }
        if (!error) notices = capture_.open_notices();
        cut_reported_ = false;
    }
    if (!error) {
        error = refusal(switch_networking_off(), path, "networking could not be switched off");
    }
    if (!error) {
        error = is_open() ? run_paused([this] { return seek_usec(0); })
                          : SensorError(DRUVEX_ERROR_NOT_OPEN);
        error = refusal(error, path, "its first packet cannot be found");
    }
    if (error) {
        (void)close();
        return error;
    }
    say(notices);
    return error;
}

void CaptureReplay::say(const std::vector<std::string>& notices) {
    if (!report_) return;
    for (const std::string& notice : notices) report_(DRUVEX_ERROR_CORRUPT_FILE, notice);
}

SensorError CaptureReplay::switch_networking_off() {
    const int32_t code = druvex_sdk_set_control_flags(DRUVEX_SDK_CONTROL_DISABLE_NETWORK,
                                                      DRUVEX_SDK_CONTROL_DISABLE_NETWORK);
    // The exported call answers with the thread's stored last error even when
    // it succeeds; the flag itself tells whether networking is off.
    if (code != 0 && druvex_sdk_has_control_flag(DRUVEX_SDK_CONTROL_DISABLE_NETWORK) == 0) {
        return SensorError(code);
    }
    return success();
}

SensorError CaptureReplay::close() {
    if (plays_here()) return refused_in_callback();
    end_ = true;
    SensorError paused = pause();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        (void)capture_.close();
    }
    if (paused) return paused;
    if (druvex_sdk_is_initialized() == 0) return success();
    return SensorError(druvex_sdk_clear());
}

bool CaptureReplay::is_open() {
    std::lock_guard<std::mutex> lock(mutex_);
    return capture_.is_open();
}

std::string CaptureReplay::get_filename() {
    std::lock_guard<std::mutex> lock(mutex_);
    return capture_.path();
}

int64_t CaptureReplay::get_start_time() {
    std::lock_guard<std::mutex> lock(mutex_);
    // The start time already includes the file's time zone offset.
    return capture_.is_open() ? capture_.start_time() : 0;
}

float CaptureReplay::get_position() {
    std::lock_guard<std::mutex> lock(mutex_);
    return capture_.is_open() ? seconds_of(capture_.position()) : 0.0f;
}

float CaptureReplay::get_length() {
    std::lock_guard<std::mutex> lock(mutex_);
    return capture_.is_open() ? seconds_of(capture_.length()) : 0.0f;
}

SensorError CaptureReplay::pause() {
    if (own_thread_here()) return refused_in_callback();
    if (!is_open()) return success();
    running_ = false;
    {
        std::lock_guard<std::mutex> lock(sleep_mutex_);
        sleep_wake_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    return success();
}

SensorError CaptureReplay::resume() {
    if (plays_here()) return refused_in_callback();
    if (!is_open()) return SensorError(DRUVEX_ERROR_NOT_OPEN);
    if (SensorError error = pause()) return error;
    reset_pacing();
    pass_start_wall_time_ = reference_wall_time_;
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return success();
}

SensorError CaptureReplay::check_blocking_start() {
    if (!is_open()) return SensorError(DRUVEX_ERROR_NOT_OPEN);
    if (running_) return SensorError(DRUVEX_ERROR_GENERIC, "Replay already running!");
    if (!end_) return success();
    if (!loop_) return SensorError(DRUVEX_ERROR_EOF);
    return seek_usec(0);
}

SensorError CaptureReplay::resume_blocking(float duration_sec) {
    if (plays_here()) return refused_in_callback();
    if (!(duration_sec >= 0.0f))
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Invalid duration!");
    if (SensorError error = check_blocking_start()) return error;
    const MarkReplayHere mark(this, false);
    const float start = get_position();
    int64_t position = 0;
    while (!end_) {
        if (const int32_t code = step(false, position)) return step_error(code);
        if (seconds_of(position) - start > duration_sec) break;
    }
    return success();
}

SensorError CaptureReplay::resume_blocking_once() {
    if (plays_here()) return refused_in_callback();
    if (SensorError error = check_blocking_start()) return error;
    const MarkReplayHere mark(this, false);
    int64_t position = 0;
    const int32_t code = step(false, position);
    return code == DRUVEX_SUCCESS ? success() : step_error(code);
}

SensorError CaptureReplay::seek(float position_sec) {
    if (plays_here()) return refused_in_callback();
    if (!is_open()) return SensorError(DRUVEX_ERROR_NOT_OPEN);
    // Positions that do not convert (NaN, beyond the range of int64) are
    // turned into ones the capture refuses as invalid.
    const float scaled = position_sec * 1000000.0f;
    const int64_t position_usec = !(scaled >= 0.0f) ? -1
                                  : scaled < 9e18f  ? static_cast<int64_t>(scaled)
                                                    : INT64_MAX;
    return run_paused([this, position_usec] { return seek_usec(position_usec); });
}

SensorError CaptureReplay::set_enable_loop(bool enable) {
    return run_paused([this, enable] {
        loop_ = enable;
        return success();
    });
}

SensorError CaptureReplay::set_speed(float speed) {
    // NaN fails both comparisons and is refused with the out-of-range values.
    if (!(speed >= 0.000001f && speed <= 5.0f)) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Invalid replay speed!");
    }
    return run_paused([this, speed] {
        speed_ = speed;
        return success();
    });
}

SensorError CaptureReplay::run_paused(const std::function<SensorError()>& function) {
    if (own_thread_here()) return refused_in_callback();
    const bool was_running = running_;
    SensorError paused = pause();
    SensorError result = function();
    SensorError resumed = was_running ? resume() : success();
    return first_error(paused, result, resumed);
}

SensorError CaptureReplay::seek_usec(int64_t position_usec) {
    std::unique_lock<std::mutex> lock(mutex_);
    SensorError error = capture_.seek(position_usec);
    const std::vector<std::string> findings = capture_.take_findings();
    lock.unlock();
    say(findings);
    if (!error) end_ = false;
    return error;
}

void CaptureReplay::reset_pacing() {
    reference_wall_time_ = wall_time_usec();
    std::lock_guard<std::mutex> lock(mutex_);
    reference_position_ = capture_.position();
}

void CaptureReplay::pace(int64_t position) {
    const int64_t now = wall_time_usec();
    const int64_t elapsed = now - reference_wall_time_;
    const float scaled = static_cast<float>(position - reference_position_) / speed_.load();
    const int64_t wait = std::fabs(scaled) < 1e15f ? static_cast<int64_t>(scaled) - elapsed
                                                   : max_pacing_drift_usec + 1;
    // After a long hold-up (or across a long gap in the capture) the replay
    // picks up from here instead of racing to catch up.
    if (std::llabs(wait) > max_pacing_drift_usec) {
        reset_pacing();
        return;
    }
    if (wait > 0) sleep_until(now + wait);
}

void CaptureReplay::sleep_until(int64_t wake_usec) {
    const int64_t wait = wake_usec - wall_time_usec();
    if (wait <= 0) return;
    std::unique_lock<std::mutex> lock(sleep_mutex_);
    sleep_wake_.wait_for(lock, std::chrono::microseconds(wait), [this] { return !running_; });
}

// A pass lasts at least the shortest pass, at the replay's speed, like the
// passes of a capture that spans that much time.
void CaptureReplay::wait_for_next_pass() {
    const float pass = static_cast<float>(min_pass_usec) / speed_.load();
    sleep_until(pass_start_wall_time_ + static_cast<int64_t>(pass));
}

int32_t CaptureReplay::step(bool paced, int64_t& position) {
    if (end_) return DRUVEX_SUCCESS;
    CapturePacketHeader header;
    const uint8_t* data = nullptr;
    int32_t code = DRUVEX_SUCCESS;
    uint32_t newly_cut = 0;
    std::vector<std::string> findings;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        code = capture_.read_next(header, data);
        position = capture_.position();
        if (!cut_reported_ && capture_.cut_length() != 0) {
            cut_reported_ = true;
            newly_cut = capture_.cut_length();
        }
        findings = capture_.take_findings();
    }
    if (newly_cut != 0) report_cut_capture(newly_cut);
    say(findings);
    if (code == DRUVEX_ERROR_EOF) {
        end_ = true;
        return DRUVEX_SUCCESS;
    }
    if (code != DRUVEX_SUCCESS) return code;
    if (paced) pace(position);
    const uint64_t handle = header.handle + replayed_handle_bit;
    const size_t size = static_cast<size_t>(header.size);
    if (route_ != nullptr) return route_(handle, header.timestamp, data, size);
    return deliver_(handle, header.timestamp, data, size).code;
}

void CaptureReplay::report_cut_capture(uint32_t length) {
    if (!report_) return;
    report_(DRUVEX_ERROR_CORRUPT_FILE, "capture was cut at " + std::to_string(length) +
                                           " bytes per packet (snap length): packets cut short"
                                           " are skipped");
}

void CaptureReplay::run() {
    const MarkReplayHere mark(this, true);
    try {
        int64_t position = 0;
        while (running_) {
            if (end_) {
                if (!loop_) break;
                wait_for_next_pass();
                if (!running_ || seek_usec(0)) break;
                reset_pacing();
                pass_start_wall_time_ = reference_wall_time_;
            }
            if (step(true, position) != DRUVEX_SUCCESS) break;
        }
    } catch (...) {
        // A failing replay is seen only as a stopped one.
    }
    running_ = false;
}

}  // namespace druvex_sdk
