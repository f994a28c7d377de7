// Reads orientation samples from the IMU demo tool, a child process whose
// output lines carry seven numbers: w, x, y, z and three further values.
#pragma once

#include "formats/imu_capture.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace druvex {

// The demo tool's command line.
extern const char* const imu_demo_command;

// Parses one demo line; false unless it holds seven numbers. The quaternion
// comes w first on the line.
bool parse_imu_line(const char* line, ImuSample* sample);
// q * conj(reference), the orientation relative to the first sample.
ImuSample relative_to(const ImuSample& q, const ImuSample& reference);

// Collects the bytes of a pipe into lines of at most 255 characters; longer
// lines are skipped whole rather than cut into something that parses.
class LineSplitter {
public:
    // Returns a finished line (without its line feed), or null.
    const char* push(char c);

private:
    char line_[256] = {};
    size_t length_ = 0;
    bool overlong_ = false;
};

class ImuReader {
public:
    ImuReader() = default;
    ImuReader(const ImuReader&) = delete;
    ImuReader& operator=(const ImuReader&) = delete;
    ~ImuReader() { stop(); }

    // Stops a running tool, then starts `command` through the shell on a worker.
    void start(const std::string& command);
    // Ends the tool (it does not outlive this call), joins the worker and
    // forgets all samples and the reference.
    void stop();
    // Moves the samples collected so far out.
    void take_samples(std::vector<int64_t>& timestamps, std::vector<ImuSample>& samples);
    // True while the worker reads lines.
    bool is_running() const;
    // Why the tool ended without being stopped: its last line, which was no
    // sample, or "<command> ended" / "<command> could not be started"; ""
    // when it did not. Cleared by the call and by stop.
    std::string take_failure();

private:
    void run(std::string command);
    // The tool's output until it ends, a bad line, or stop; returns the bad
    // line, or "" when the output ended or the reader was stopped.
    std::string read_lines(int pipe);
    // False for a bad line, which ends the reading.
    bool handle_line(const char* line);
    void set_failure(const std::string& failure);
    void set_running(bool running);

    std::atomic<bool> stop_{false};
    bool running_ = false;
    std::string failure_;
    mutable std::mutex mutex_;  // guards running_, failure_ and the two vectors
    std::unique_ptr<std::thread> worker_;
    std::vector<int64_t> timestamps_;
    std::vector<ImuSample> samples_;
    // The worker's own.
    ImuSample reference_;
    bool has_reference_ = false;
};

}  // namespace druvex
