// Plays a capture back into the SDK as if its packets arrived from the network,
// paced by their time stamps on a thread of its own, or unpaced on the
// caller's thread. Replayed packets carry their source address plus 2^32 as
// handle, so a live sensor and its replay never share one.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "capture.h"
#include "core/sensor_error.h"
#include "replay_delivery.h"

namespace druvex_sdk {

constexpr uint64_t replayed_handle_bit = uint64_t{1} << 32;

// The replay's callbacks run on the thread that plays it. There, every call
// that would close, reopen or move the capture whose packet is in hand, or
// play it a second time, is refused with "Resource deadlock avoided" before
// it changes anything (open, close, seek, resume and the blocking replays);
// on the replay's own thread so is every call that would wait for that thread
// to end (pause, and the setters, which pause it). The replay goes on.
class CaptureReplay {
public:
    // A replay inside the SDK feeds the SDK's own network-packet slot and
    // router. Programs that own a replay of their own cannot reach that slot
    // and give their delivery here; the default constructor stays inline, so
    // only code linked with the SDK's internals ever refers to theirs.
    CaptureReplay() : CaptureReplay(deliver_replayed_packet, report_replay_error) {}
    CaptureReplay(ReplayRoute route, ReplayErrorReport report)
        : route_(route), report_(std::move(report)) {}
    // Without a report, what the replay meets on its way is not told.
    explicit CaptureReplay(ReplayDelivery deliver, ReplayErrorReport report = {})
        : deliver_(std::move(deliver)), report_(std::move(report)) {}
    CaptureReplay(const CaptureReplay&) = delete;
    CaptureReplay& operator=(const CaptureReplay&) = delete;
    ~CaptureReplay() { (void)close(); }

    // Opens a capture paused at its start and switches the SDK's networking off.
    SensorError open(const std::string& path);
    SensorError close();
    bool is_open();
    std::string get_filename();

    int64_t get_start_time();
    float get_position();
    float get_length();
    bool is_end() const { return end_.load(); }
    bool is_running() const { return running_.load(); }
    bool get_enable_loop() const { return loop_.load(); }
    float get_speed() const { return speed_.load(); }

    SensorError pause();
    SensorError resume();
    // Replays unpaced on the calling thread until the position has moved more
    // than `duration_sec` past where it started, or the capture ends.
    SensorError resume_blocking(float duration_sec);
    SensorError resume_blocking_once();

    SensorError seek(float position_sec);
    SensorError set_enable_loop(bool enable);
    SensorError set_speed(float speed);
    // Runs `function` with the replay thread stopped, and restarts it after if
    // it was running.
    SensorError run_paused(const std::function<SensorError()>& function);

private:
    // Whether this replay plays on the calling thread, and on its own one.
    bool plays_here() const;
    bool own_thread_here() const;
    SensorError seek_usec(int64_t position_usec);
    SensorError switch_networking_off();
    SensorError check_blocking_start();
    void reset_pacing();
    void pace(int64_t position);
    // Sleeps until `wake_usec` (wall time) or until paused.
    void sleep_until(int64_t wake_usec);
    void wait_for_next_pass();
    // One packet: read, paced when asked, delivered. Gives a bare result code
    // and the position of the packet read.
    int32_t step(bool paced, int64_t& position);
    void report_cut_capture(uint32_t length);
    // Tells the user what the capture revealed.
    void say(const std::vector<std::string>& notices);
    void run();

    ReplayRoute route_ = nullptr;
    ReplayDelivery deliver_;
    ReplayErrorReport report_;
    std::atomic<bool> loop_{false};
    std::atomic<float> speed_{1.0f};
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::atomic<bool> end_{true};
    std::mutex mutex_;  // guards the capture and the pacing reference
    Capture capture_;
    int64_t reference_position_ = 0;
    int64_t reference_wall_time_ = 0;
    int64_t pass_start_wall_time_ = 0;
    // A capture cut by its snap length is reported once per open.
    bool cut_reported_ = false;
    // Lets pause cut a pacing sleep short.
    std::mutex sleep_mutex_;
    std::condition_variable sleep_wake_;
};

// The replay behind the exported druvex_sdk_capture_replay_* calls.
CaptureReplay& global_capture_replay();

}  // namespace druvex_sdk
