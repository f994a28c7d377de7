// Feeds arbitrary bytes to the capture reader as a capture file (its index is
// rebuilt from each input).
#include <cstdio>

#include "capture/capture_index.h"
#include "capture_fuzz_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = capture_fuzz::scratch_capture_path();
    std::remove(druvex_sdk::capture_index_path(path).c_str());
    capture_fuzz::write_scratch(path, data, size);
    capture_fuzz::exercise_capture(path);
    return 0;
}
