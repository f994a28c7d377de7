// make_sample_capture OUTPUT [SECONDS]: writes a capture of two simulated
// sensors looking at the sample scene (3 seconds unless given).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "sample_capture.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_sample_capture OUTPUT [SECONDS]\n");
        return 2;
    }
    const double seconds = argc == 3 ? std::atof(argv[2]) : 3.0;
    if (!(seconds > 0.0 && seconds <= 3600.0)) {
        std::fprintf(stderr, "make_sample_capture: SECONDS must lie in (0, 3600]\n");
        return 2;
    }
    const druvex_sdk::SensorError error = druvex_sample::write_sample_capture(argv[1], seconds);
    if (error) {
        std::fprintf(stderr, "make_sample_capture: %s: %s\n", argv[1], error.what());
        return 1;
    }
    return 0;
}
