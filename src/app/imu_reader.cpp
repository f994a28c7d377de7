// The IMU demo tool's reader thread.
#include "imu_reader.h"

#include "platform/os_helper.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <utility>

namespace druvex {

const char* const imu_demo_command = "python -u -m druvex_util.demo.demo_zuna";

namespace {

// The tool needs a moment to open its device before its lines mean anything.
constexpr auto start_delay = std::chrono::seconds(2);
// How often a worker waiting on a silent tool looks at the stop flag.
constexpr int poll_interval_ms = 50;

int64_t system_time_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool parse_imu_line(const char* line, ImuSample* sample) {
    ImuSample s;
    if (std::sscanf(line, "%f %f %f %f %f %f %f", &s.w, &s.x, &s.y, &s.z, &s.extra[0], &s.extra[1],
                    &s.extra[2]) != 7) {
        return false;
    }
    *sample = s;
    return true;
}

ImuSample relative_to(const ImuSample& q, const ImuSample& r) {
    ImuSample out = q;
    out.x = r.w * q.x - r.x * q.w - r.z * q.y + r.y * q.z;
    out.y = r.w * q.y - r.y * q.w + r.z * q.x - r.x * q.z;
    out.z = r.w * q.z - r.z * q.w - r.y * q.x + r.x * q.y;
    out.w = r.x * q.x + r.y * q.y + r.z * q.z + r.w * q.w;
    return out;
}

const char* LineSplitter::push(char c) {
    if (c == '\n') {
        const bool skip = overlong_;
        line_[length_] = '\0';
        length_ = 0;
        overlong_ = false;
        return skip ? nullptr : line_;
    }
    if (length_ + 1 < sizeof line_) {
        line_[length_++] = c;
    } else {
        overlong_ = true;
    }
    return nullptr;
}

void ImuReader::start(const std::string& command) {
    stop();
    stop_ = false;
    worker_ = std::make_unique<std::thread>(&ImuReader::run, this, command);
}

void ImuReader::stop() {
    stop_ = true;
    if (worker_) {
        worker_->join();
        worker_.reset();
    }
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = false;
    failure_.clear();
    has_reference_ = false;
    timestamps_.clear();
    samples_.clear();
}

void ImuReader::take_samples(std::vector<int64_t>& timestamps, std::vector<ImuSample>& samples) {
    std::lock_guard<std::mutex> lock(mutex_);
    timestamps.swap(timestamps_);
    samples.swap(samples_);
    timestamps_.clear();
    samples_.clear();
}

bool ImuReader::is_running() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return running_;
}

void ImuReader::set_running(bool running) {
    std::lock_guard<std::mutex> lock(mutex_);
    running_ = running;
}

std::string ImuReader::take_failure() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::exchange(failure_, std::string());
}

void ImuReader::set_failure(const std::string& failure) {
    std::lock_guard<std::mutex> lock(mutex_);
    failure_ = failure;
}

void ImuReader::run(std::string command) {
    int out = -1, in = -1;
    pid_t pid = -1;
    if (!create_child_process(command.c_str(), &out, &in, &pid)) {
        set_failure(command + " could not be started");
        return;
    }
    const auto started = std::chrono::steady_clock::now();
    while (!stop_ && std::chrono::steady_clock::now() - started < start_delay) {
        ::poll(nullptr, 0, poll_interval_ms);
    }
    if (!stop_) {
        set_running(true);
        const std::string ended = read_lines(out);
        if (!stop_) set_failure(ended.empty() ? command + " ended" : ended);
        set_running(false);
    }
    ::close(out);
    ::close(in);
    // A tool that stopped making sense, or was told to stop, ends with us.
    end_child_process(pid);
}

std::string ImuReader::read_lines(int pipe) {
    LineSplitter splitter;
    char buffer[257];
    while (!stop_) {
        pollfd p{pipe, POLLIN, 0};
        if (::poll(&p, 1, poll_interval_ms) <= 0) continue;
        const uint32_t n = OsHelper::read_from_pipe(pipe, buffer, sizeof buffer);
        if (n == 0) return "";
        for (uint32_t i = 0; i < n && !stop_; ++i) {
            const char* line = splitter.push(buffer[i]);
            if (line != nullptr && !handle_line(line)) return line;
        }
    }
    return "";
}

bool ImuReader::handle_line(const char* line) {
    ImuSample q;
    if (!parse_imu_line(line, &q)) {
        std::printf("COM: %s\n", line);
        std::fflush(stdout);
        return false;
    }
    // Numbers that are not finite would turn every point they rotate into
    // NaN (and a NaN reference every later sample): such a line is passed over.
    if (!q.is_finite()) return true;
    if (!has_reference_) {
        reference_ = q;
        has_reference_ = true;
        return true;
    }
    const ImuSample sample = relative_to(q, reference_);
    const int64_t now = system_time_us();
    std::lock_guard<std::mutex> lock(mutex_);
    timestamps_.push_back(now);
    samples_.push_back(sample);
    return true;
}

}  // namespace druvex
