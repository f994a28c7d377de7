// make_sample_capture OUTPUT [SECONDS]: writes a capture of two simulated
// sensors looking at the sample scene (3 seconds unless given).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sample_capture.h"

namespace {

const char usage[] =
    "usage: make_sample_capture OUTPUT [SECONDS]\n"
    "Writes a capture of two simulated sensors to OUTPUT, SECONDS long\n"
    "(more than 0, at most 3600; 3 unless given). Its index, OUTPUT.dvx, is\n"
    "written beside it when the capture is first opened for replay.\n";

bool is_help(const char* arg) {
    return std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0;
}

int bad_arguments(const char* why) {
    if (why != nullptr) std::fprintf(stderr, "make_sample_capture: %s\n", why);
    std::fputs(usage, stderr);
    return 2;
}

// A number with nothing after it, or 0 (which is refused) when it is not one.
double parse_seconds(const char* text) {
    char* end = nullptr;
    const double seconds = std::strtod(text, &end);
    return end != text && *end == '\0' ? seconds : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (is_help(argv[i])) {
            std::fputs(usage, stdout);
            return 0;
        }
    }
    if (argc < 2 || argc > 3) return bad_arguments(nullptr);
    // A name that starts with a dash is an option this tool does not have,
    // not a file to fill with ten megabytes.
    if (argv[1][0] == '-') return bad_arguments((std::string("unknown option ") + argv[1]).c_str());
    const double seconds = argc == 3 ? parse_seconds(argv[2]) : 3.0;
    if (!(seconds > 0.0 && seconds <= 3600.0)) {
        return bad_arguments("SECONDS must be a number in (0, 3600]");
    }
    const druvex_sdk::SensorError error = druvex_sample::write_sample_capture(argv[1], seconds);
    if (error) {
        std::fprintf(stderr, "make_sample_capture: %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
