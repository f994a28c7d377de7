// Feeds arbitrary bytes to the capture reader as a capture file. An input may
// carry a side index after a marker, written after the capture as a side file
// that is up to date by its time would be: the reader must play what the
// capture holds whatever that side file says. Without one the index is
// rebuilt from each input.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "capture/capture_index.h"
#include "capture_fuzz_file.h"

namespace {

constexpr char side_index_marker[] = "\n--side index--\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string& path = capture_fuzz::scratch_capture_path();
    const std::string side = druvex_sdk::capture_index_path(path);
    const uint8_t* marker = reinterpret_cast<const uint8_t*>(side_index_marker);
    const size_t marker_size = std::strlen(side_index_marker);
    const uint8_t* end = data + size;
    const uint8_t* found = std::search(data, end, marker, marker + marker_size);
    std::remove(side.c_str());
    capture_fuzz::write_scratch(path, data, static_cast<size_t>(found - data));
    if (found != end) {
        const uint8_t* index = found + marker_size;
        capture_fuzz::write_scratch(side, index, static_cast<size_t>(end - index));
    }
    capture_fuzz::exercise_capture(path);
    return 0;
}
