// Feeds arbitrary bytes as the index side file of a fixed, valid capture: the
// loader must reject what does not describe the capture and rebuild.
#include <cstdio>
#include <vector>

#include "capture/capture.h"
#include "capture/capture_index.h"
#include "capture_fuzz_file.h"

namespace {

// Datagrams of a few sizes from two sources, some sharing a time.
void write_fixed_capture(const std::string& path) {
    druvex_sdk::Capture capture;
    if (capture.open_for_write(path, false)) return;
    std::vector<uint8_t> payload(1400, 0x5A);
    const int64_t times[] = {1000000, 1000000, 1010000, 1020000, 1020000, 1500000, 2000000};
    for (size_t k = 0; k < sizeof times / sizeof times[0]; ++k) {
        const uint64_t source = k % 2 == 0 ? 0x0A000001 : 0xC0A80102;
        (void)capture.write_packet({source, times[k], 100 + k * 150}, payload.data());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = capture_fuzz::scratch_capture_path();
    static const bool written = (write_fixed_capture(path), true);
    (void)written;
    capture_fuzz::write_scratch(druvex_sdk::capture_index_path(path), data, size);
    capture_fuzz::exercise_capture(path);
    return 0;
}
