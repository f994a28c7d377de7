/* Compiled as C: the records must look the same to a C caller as to the SDK. */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "druvex_sdk.h"

static int failures = 0;

#define CHECK(cond)                                                            \
    do {                                                                       \
        if (!(cond)) {                                                         \
            fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
            ++failures;                                                        \
        }                                                                      \
    } while (0)

int main(void) {
    CHECK(sizeof(DruvexSDKFrameOptions) == 16);
    CHECK(sizeof(DruvexSDKOptions) == 40);
    CHECK(offsetof(DruvexSDKOptions, frame_options) == 16);
    CHECK(offsetof(DruvexSDKOptions, port) == 32);
    CHECK(sizeof(DruvexSensorInformation) == druvex_sensor_information_size);
    CHECK(offsetof(DruvexSensorInformation, gps_time) == 104);
    CHECK(offsetof(DruvexSensorInformation, flags) == 112);
    CHECK(sizeof(DruvexSensorImagePoint) == druvex_sensor_image_point_size);
    CHECK(offsetof(DruvexSensorImagePoint, return_type) == 24);
    CHECK(sizeof(DruvexSensorRawPointWithTime) == druvex_sensor_raw_point_with_time_size);
    CHECK(offsetof(DruvexSensorRawPointWithTime, power_level) == 25);
    CHECK(sizeof(DruvexSensorTransform) == druvex_sensor_transform_size);
    CHECK(sizeof(DruvexLaserCalibration) == druvex_laser_calibration_size);
    CHECK(offsetof(DruvexLaserCalibration, power_distance_offset) == 156);
    CHECK(sizeof(DruvexCalibration) == druvex_calibration_size);
    CHECK(offsetof(DruvexCalibration, lasers) == 92);
    CHECK(offsetof(DruvexCalibration, lasers[31]) == 92 + 220 * 31);
    CHECK(druvex_sdk_max_laser_count == 32);
    CHECK(druvex_sdk_max_power_levels == 32);
    CHECK(druvex_sdk_max_returns == 2);

    /* The factory's bytes as a C caller sees them. */
    DruvexSDKOptions options = druvex_sdk_create_options();
    unsigned char bytes[40];
    memcpy(bytes, &options, sizeof bytes);
    CHECK(bytes[0] == 40 && bytes[8] == 0 && bytes[16] == 16);
    CHECK(bytes[32] == (8808 & 0xff) && bytes[33] == (8808 >> 8));

    /* Drive the SDK from C: a bad version is refused with its name. */
    CHECK(druvex_sdk_initialize(16, &options, NULL, NULL) == DRUVEX_ERROR_SDK_VERSION_MISMATCH);
    const char* text = NULL;
    CHECK(druvex_sdk_get_error(&text) == DRUVEX_ERROR_SDK_VERSION_MISMATCH);
    CHECK(text != NULL && strcmp(text, "DRUVEX_ERROR_SDK_VERSION_MISMATCH") == 0);

    if (failures == 0) printf("record layouts as seen from C: ok\n");
    return failures == 0 ? 0 : 1;
}
