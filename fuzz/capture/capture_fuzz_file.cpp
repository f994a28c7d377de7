// Scratch capture files for the capture fuzzers.
#include "capture_fuzz_file.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "capture/capture.h"

namespace capture_fuzz {

namespace {

void remove_scratch() {
    std::remove(scratch_capture_path().c_str());
    std::remove((scratch_capture_path() + ".dvx").c_str());
}

// The folder comes from TMPDIR, as for any program that needs scratch space:
// parallel runs, or a machine whose /tmp is small, point it elsewhere.
std::string scratch_folder() {
    const char* folder = std::getenv("TMPDIR");
    return folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
}

}  // namespace

const std::string& scratch_capture_path() {
    static const std::string path =
        scratch_folder() + "/druvex_fuzz_" + std::to_string(getpid()) + ".pcap";
    static const int registered = std::atexit(remove_scratch);
    (void)registered;
    return path;
}

void write_scratch(const std::string& path, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return;
    if (size != 0) std::fwrite(data, 1, size, file);
    std::fclose(file);
}

void exercise_capture(const std::string& path) {
    druvex_sdk::Capture capture;
    if (capture.open_for_read(path)) return;
    druvex_sdk::CapturePacketHeader header;
    const uint8_t* data = nullptr;
    volatile uint8_t sink = 0;
    auto drain = [&] {
        while (capture.read_packet(header, data).ok()) {
            if (header.size != 0) sink = sink + data[0] + data[header.size - 1];
        }
    };
    drain();
    const int64_t length = capture.length();
    for (int64_t position : {int64_t{0}, length / 2, length > 0 ? length - 1 : 0}) {
        if (capture.seek(position).ok()) drain();
    }
}

}  // namespace capture_fuzz
