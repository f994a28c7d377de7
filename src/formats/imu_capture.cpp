// The IMU side file: recording, loading and the lookup of a sample by time.
#include "imu_capture.h"

#include "platform/path_utils.h"
#include "platform/safe_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>

namespace druvex {
namespace {

void put_le32(unsigned char* out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint64_t get_le(const unsigned char* in, int bytes) {
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | in[i];
    return v;
}

float get_float(const unsigned char* in) {
    const uint32_t bits = static_cast<uint32_t>(get_le(in, 4));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

void put_float(unsigned char* out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    put_le32(out, bits);
}

void encode_record(unsigned char* out, int64_t timestamp_us, const ImuSample& s) {
    const uint64_t t = static_cast<uint64_t>(timestamp_us);
    put_le32(out, static_cast<uint32_t>(t));
    put_le32(out + 4, static_cast<uint32_t>(t >> 32));
    const float values[7] = {s.x, s.y, s.z, s.w, s.extra[0], s.extra[1], s.extra[2]};
    for (int i = 0; i < 7; ++i) put_float(out + 8 + 4 * i, values[i]);
}

ImuSample decode_record(const unsigned char* in, int64_t* timestamp_us) {
    *timestamp_us = static_cast<int64_t>(get_le(in, 8));
    ImuSample s;
    float* fields[7] = {&s.x, &s.y, &s.z, &s.w, &s.extra[0], &s.extra[1], &s.extra[2]};
    for (int i = 0; i < 7; ++i) *fields[i] = get_float(in + 8 + 4 * i);
    return s;
}

}  // namespace

bool ImuSample::is_finite() const {
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && std::isfinite(w) &&
           std::isfinite(extra[0]) && std::isfinite(extra[1]) && std::isfinite(extra[2]);
}

std::string imu_side_file_path(const std::string& capture_path) {
    const bool has_folder = capture_path.find_first_of("/\\") != std::string::npos;
    const auto [directory, name] = split_path(capture_path);
    const std::string side = replace_extension(name, "_imu.dat");
    return has_folder ? directory + capture_path[directory.size()] + side : side;
}

ImuCapture::~ImuCapture() { close(nullptr); }

bool ImuCapture::open(const std::string& path, bool replace, std::string* reason) {
    close(nullptr);
    // Written through the descriptor it was made with: nothing put at that
    // name since can redirect the samples.
    const int fd = create_side_file(path, replace, reason);
    if (fd < 0) return false;
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        if (reason != nullptr) *reason = error_text(errno);
        ::close(fd);
        ::unlink(path.c_str());  // the new empty file made above
        return false;
    }
    path_ = path;
    write_failed_ = false;
    return true;
}

void ImuCapture::insert(int64_t timestamp_us, const ImuSample& sample) {
    // The system clock may step back; the lookup needs the times sorted.
    auto at = timestamps_.end();
    if (!timestamps_.empty() && timestamp_us < timestamps_.back()) {
        at = std::upper_bound(timestamps_.begin(), timestamps_.end(), timestamp_us);
    }
    const auto index = at - timestamps_.begin();
    timestamps_.insert(at, timestamp_us);
    samples_.insert(samples_.begin() + index, sample);
}

bool ImuCapture::append(int64_t timestamp_us, const ImuSample& sample) {
    insert(timestamp_us, sample);
    if (file_ == nullptr) return true;
    unsigned char record[imu_record_size];
    encode_record(record, timestamp_us, sample);
    errno = 0;
    const bool written =
        std::fwrite(record, sizeof record, 1, file_) == 1 && std::fflush(file_) == 0;
    if (!written && !write_failed_) {
        write_failed_ = true;
        write_failure_ = error_text(errno);
    }
    return !write_failed_;
}

bool ImuCapture::load(const std::string& path, std::string* reason) {
    std::string bytes;
    std::string why;
    if (!read_regular_file(path, max_side_file_bytes, bytes, why)) {
        if (reason != nullptr) *reason = why;
        return false;
    }
    std::vector<std::pair<int64_t, ImuSample>> loaded;
    for (size_t at = 0; bytes.size() - at >= imu_record_size; at += imu_record_size) {
        const auto* record = reinterpret_cast<const unsigned char*>(bytes.data() + at);
        int64_t t = 0;
        const ImuSample s = decode_record(record, &t);
        // A damaged record must not turn the points it rotates into NaN.
        if (s.is_finite()) loaded.emplace_back(t, s);
    }
    for (size_t i = 0; i < timestamps_.size(); ++i)
        loaded.emplace_back(timestamps_[i], samples_[i]);
    std::stable_sort(loaded.begin(), loaded.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    timestamps_.clear();
    samples_.clear();
    for (const auto& [t, s] : loaded) {
        timestamps_.push_back(t);
        samples_.push_back(s);
    }
    return true;
}

ImuSample ImuCapture::sample_at(int64_t time_us) const {
    if (timestamps_.empty()) return ImuSample();
    const auto after = std::upper_bound(timestamps_.begin(), timestamps_.end(), time_us);
    if (after == timestamps_.begin()) return samples_.front();
    return samples_[static_cast<size_t>(after - timestamps_.begin()) - 1];
}

bool ImuCapture::overlaps(int64_t from_us, int64_t to_us) const {
    return !timestamps_.empty() && timestamps_.front() <= to_us && timestamps_.back() >= from_us;
}

bool ImuCapture::close(std::string* reason) {
    if (file_ == nullptr) return true;
    errno = 0;
    const bool closed = std::fclose(file_) == 0;
    const int close_error = errno;
    file_ = nullptr;
    const bool ok = !write_failed_ && closed;
    if (!ok && reason != nullptr)
        *reason = write_failed_ ? write_failure_ : error_text(close_error);
    return ok;
}

bool ImuCapture::close_and_clear(std::string* reason) {
    const bool ok = close(reason);
    timestamps_.clear();
    samples_.clear();
    return ok;
}

}  // namespace druvex
