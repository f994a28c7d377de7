/* print_rates [SECONDS [PORT]]: listens for live sensors on a UDP port (8808
 * unless given) and prints, once a second, each sensor's frames per second;
 * stops after SECONDS (10 unless given).
 *
 * It uses only the public header and the shared library, as any program would:
 *   cc print_rates.c -Isdk/include -Lbuild/lib -ldruvex_sdk -lpthread -Wl,-rpath,$PWD/build/lib
 * ctest runs it against a simulated sensor on a private loopback
 * (examples/CMakeLists.txt). */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

#include "druvex_sdk.h"

#define MAX_SENSORS 64

/* Frames counted per sensor handle since the last report. The frame callback
 * runs on the SDK's processing thread while main reads the counts, so both
 * take the lock. */
struct Counts {
    pthread_mutex_t lock;
    uint64_t handles[MAX_SENSORS];
    unsigned long frames[MAX_SENSORS];
    int n;
};

static void on_frame(uint64_t handle, size_t n_points, const DruvexSensorRawPointWithTime* points,
                     void* user_data) {
    struct Counts* counts = user_data;
    (void)n_points;
    (void)points;
    pthread_mutex_lock(&counts->lock);
    int i = 0;
    while (i < counts->n && counts->handles[i] != handle) ++i;
    if (i == counts->n && counts->n < MAX_SENSORS) counts->handles[counts->n++] = handle;
    if (i < counts->n) counts->frames[i] += 1;
    pthread_mutex_unlock(&counts->lock);
}

/* Sensor faults and receive errors arrive here, on the SDK's threads. */
static void on_error(uint64_t handle, int32_t code, const char* message, const void* data,
                     size_t data_size, void* user_data) {
    (void)data;
    (void)data_size;
    (void)user_data;
    fprintf(stderr, "print_rates: sensor %llx: %s (%d)\n", (unsigned long long)handle, message,
            (int)code);
}

static double now_seconds(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

/* One line per sensor: its serial number once its information is known, its
 * address until then. The counts are taken and restarted under the lock, and
 * the SDK is asked only after it is released: a callback must never wait for
 * a lock that is held around an SDK call. */
static void report(struct Counts* counts, double seconds) {
    uint64_t handles[MAX_SENSORS];
    unsigned long frames[MAX_SENSORS];
    pthread_mutex_lock(&counts->lock);
    const int n = counts->n;
    for (int i = 0; i < n; ++i) {
        handles[i] = counts->handles[i];
        frames[i] = counts->frames[i];
        counts->frames[i] = 0;
    }
    pthread_mutex_unlock(&counts->lock);
    for (int i = 0; i < n; ++i) {
        const uint64_t h = handles[i];
        DruvexSensorInformation info;
        if (druvex_sdk_get_sensor_information(h, &info) == DRUVEX_SUCCESS) {
            printf("sensor %llu", (unsigned long long)info.serial_number);
        } else {
            druvex_sdk_get_error(NULL); /* not known yet: clear the stored failure */
            printf("sensor at %u.%u.%u.%u", (unsigned)(h >> 24) & 255u, (unsigned)(h >> 16) & 255u,
                   (unsigned)(h >> 8) & 255u, (unsigned)h & 255u);
        }
        printf(": %.1f frames/s\n", (double)frames[i] / seconds);
    }
    fflush(stdout);
}

static int fail(const char* what) {
    const char* text = NULL;
    druvex_sdk_get_error(&text);
    fprintf(stderr, "print_rates: %s: %s\n", what, text);
    return 1;
}

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 10;
    const long port = argc > 2 ? strtol(argv[2], NULL, 10) : 8808;
    if (argc > 3 || seconds <= 0 || port <= 0 || port > 65535) {
        fprintf(stderr, "usage: print_rates [SECONDS [PORT]]\n");
        return 2;
    }
    DruvexSDKOptions options = druvex_sdk_create_options();
    options.frame_options.mode = DRUVEX_SDK_FRAME_FULL_SCAN; /* a frame per sweep there and back */
    options.port = (uint16_t)port;
    if (druvex_sdk_initialize(DRUVEX_SDK_VERSION, &options, on_error, NULL) != DRUVEX_SUCCESS) {
        return fail("initialize");
    }
    static struct Counts counts = {.lock = PTHREAD_MUTEX_INITIALIZER};
    if (druvex_sdk_listen_raw_frames(on_frame, &counts) != DRUVEX_SUCCESS) {
        const int status = fail("listen");
        druvex_sdk_deinitialize();
        return status;
    }
    double last = now_seconds();
    for (int s = 0; s < seconds; ++s) {
        struct timespec second = {1, 0};
        while (nanosleep(&second, &second) != 0) {}
        const double now = now_seconds();
        report(&counts, now - last);
        last = now;
    }
    druvex_sdk_deinitialize(); /* stops listening; no callback runs after it returns */
    return 0;
}
