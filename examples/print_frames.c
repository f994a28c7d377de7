/* print_frames CAPTURE: replays a capture file through the SDK and prints how
 * many frames and points its sensors gave.
 *
 * It uses only the public header and the shared library, as any program would:
 *   cc print_frames.c -Isdk/include -Lbuild/lib -ldruvex_sdk -Wl,-rpath,$PWD/build/lib
 * The build compiles it into build/examples/, and ctest runs it on a sample
 * capture (examples/CMakeLists.txt). */
#include <stdio.h>

#include "druvex_sdk.h"

struct Totals {
    unsigned long frames;
    unsigned long points;
};

/* Called for each completed frame; here on the main thread, inside
 * druvex_sdk_capture_replay_resume_blocking. The points are valid during the
 * call only: copy what you keep. */
static void on_frame(uint64_t handle, size_t n_points, const DruvexSensorImagePoint* points,
                     void* user_data) {
    struct Totals* totals = user_data;
    (void)handle;
    (void)points;
    totals->frames += 1;
    totals->points += n_points;
}

/* Prints the calling thread's last failure and clears it. */
static int fail(const char* what) {
    const char* text = NULL;
    druvex_sdk_get_error(&text);
    fprintf(stderr, "print_frames: %s: %s\n", what, text);
    return 1;
}

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: print_frames CAPTURE\n");
        return 2;
    }
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.control_flags = DRUVEX_SDK_CONTROL_DISABLE_NETWORK; /* replay only: no socket */
    options.frame_options.mode = DRUVEX_SDK_FRAME_FULL_SCAN;
    if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, NULL, NULL) != DRUVEX_SUCCESS) {
        return fail("initialize");
    }

    struct Totals totals = {0, 0};
    int status = 0;
    if (druvex_sdk_listen_image_frames(on_frame, &totals) != DRUVEX_SUCCESS) {
        status = fail("listen");
    } else if (druvex_sdk_capture_replay_open(argv[1]) != DRUVEX_SUCCESS) {
        status = fail(argv[1]);
    } else if (druvex_sdk_capture_replay_resume_blocking(druvex_sdk_capture_replay_get_length()) !=
               DRUVEX_SUCCESS) {
        status = fail("replay");
    }

    if (status == 0) {
        /* Sensors are known until the replay closes, so count them first. */
        const int32_t n_sensors = druvex_sdk_get_n_sensors();
        for (int32_t i = 0; i < n_sensors; ++i) {
            DruvexSensorInformation info;
            if (druvex_sdk_get_sensor_information_by_index(i, &info) == DRUVEX_SUCCESS) {
                printf("sensor %s #%llu\n", info.model_name,
                       (unsigned long long)info.serial_number);
            }
        }
        printf("%lu frames, %lu points from %d sensors\n", totals.frames, totals.points,
               (int)n_sensors);
    }
    druvex_sdk_deinitialize(); /* closes the replay and removes the callback */
    return status;
}
