// Orientation samples of the IMU demo input and the IMU side file that keeps
// them beside a capture.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace druvex {

struct ImuSample {
    float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;  // orientation quaternion
    float extra[3] = {0.0f, 0.0f, 0.0f};           // carried unchanged from the demo line

    bool is_finite() const;
};

// A side file record: int64 time stamp (microseconds since 1970), then the
// sample's seven floats, little-endian, no padding.
constexpr size_t imu_record_size = 36;

// The side file of a capture: its file name with the extension replaced by
// "_imu.dat" (folders keep their dots).
std::string imu_side_file_path(const std::string& capture_path);

// The samples of one recording or replay, sorted by time. Application thread only.
class ImuCapture {
public:
    ImuCapture() = default;
    ImuCapture(const ImuCapture&) = delete;
    ImuCapture& operator=(const ImuCapture&) = delete;
    ~ImuCapture();

    // Starts recording to `path`, written under that name from the first
    // sample on. The file is always made anew, never written through a link
    // at that name: with `replace` whatever is there gives way, without it
    // anything there is left alone and this fails.
    bool open(const std::string& path, bool replace, std::string* reason);
    // Keeps the sample and, while recording, writes it. False on a write failure.
    bool append(int64_t timestamp_us, const ImuSample& sample);
    // Adds every complete record of the file with finite values. False, with
    // the reason, when it is not a regular file of at most
    // max_side_file_bytes, or cannot be read: a named pipe there would never
    // end, a device could be endless.
    bool load(const std::string& path, std::string* reason);
    static constexpr size_t max_side_file_bytes = size_t{1} << 30;
    // The sample in force at `time_us`: the last one not after it, else the first.
    ImuSample sample_at(int64_t time_us) const;
    // Whether the samples' time span meets [from_us, to_us].
    bool overlaps(int64_t from_us, int64_t to_us) const;
    // Ends a recording; false (with the reason) when its file could not be
    // completed. True when nothing was recorded.
    bool close(std::string* reason);
    bool close_and_clear(std::string* reason);

    bool is_recording() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    bool empty() const { return timestamps_.empty(); }
    size_t size() const { return timestamps_.size(); }
    const std::vector<int64_t>& timestamps() const { return timestamps_; }
    const std::vector<ImuSample>& samples() const { return samples_; }

private:
    void insert(int64_t timestamp_us, const ImuSample& sample);

    std::FILE* file_ = nullptr;
    std::string path_;
    bool write_failed_ = false;
    std::string write_failure_;
    std::vector<int64_t> timestamps_;
    std::vector<ImuSample> samples_;
};

}  // namespace druvex
