// Scratch files for the capture fuzzers: one capture path per process, with
// its index side file removed between inputs so runs do not depend on order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace capture_fuzz {

const std::string& scratch_capture_path();
void write_scratch(const std::string& path, const uint8_t* data, size_t size);
// Reads every datagram and seeks around in an open capture.
void exercise_capture(const std::string& path);

}  // namespace capture_fuzz
