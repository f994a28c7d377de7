/* Druvex sensor SDK: the exported C API and its records.
 *
 * Link libdruvex_sdk.so and include this header. Every call that can fail
 * returns a DruvexSensorErrorCode; the detail text of the last failure on the
 * calling thread is fetched (and cleared) with druvex_sdk_get_error. */
#ifndef DRUVEX_SDK_H
#define DRUVEX_SDK_H

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define DRUVEX_API __attribute__((visibility("default")))
#else
#define DRUVEX_API
#endif

#ifdef __cplusplus
#define DRUVEX_EXTERN_C extern "C"
#else
#define DRUVEX_EXTERN_C extern
#endif

#define DRUVEX_SDK_VERSION 17

/* ---- result codes ---------------------------------------------------- */
typedef int32_t DruvexSensorErrorCode;
enum {
    DRUVEX_SUCCESS = 0,
    DRUVEX_ERROR_GENERIC = -1,
    DRUVEX_ERROR_OUT_OF_MEMORY = -2,
    DRUVEX_ERROR_SENSOR_NOT_FOUND = -4,
    DRUVEX_ERROR_SDK_VERSION_MISMATCH = -5,
    DRUVEX_ERROR_COMMUNICATION = -6,
    DRUVEX_ERROR_TOO_MANY_CALLBACKS = -7,
    DRUVEX_ERROR_INVALID_ARGUMENTS = -8,
    DRUVEX_ERROR_ALREADY_INITIALIZED = -9,
    DRUVEX_ERROR_NOT_INITIALIZED = -10,
    DRUVEX_ERROR_INVALID_FILE_TYPE = -11,
    DRUVEX_ERROR_FILE_IO = -12,
    DRUVEX_ERROR_CORRUPT_FILE = -13,
    DRUVEX_ERROR_NOT_OPEN = -14,
    DRUVEX_ERROR_EOF = -15,
    DRUVEX_FAULT_INTERNAL = -1000,
    DRUVEX_FAULT_EXTREME_TEMPERATURE = -1001,
    DRUVEX_FAULT_EXTREME_HUMIDITY = -1002,
    DRUVEX_FAULT_EXTREME_ACCELERATION = -1003,
    DRUVEX_FAULT_ABNORMAL_FOV = -1004,
    DRUVEX_FAULT_ABNORMAL_FRAME_RATE = -1005,
    DRUVEX_FAULT_MOTOR_MALFUNCTION = -1006,
    DRUVEX_FAULT_LASER_MALFUNCTION = -1007,
    DRUVEX_FAULT_DETECTOR_MALFUNCTION = -1008
};

/* ---- control flags --------------------------------------------------- */
typedef uint32_t DruvexSDKControl;
enum {
    DRUVEX_SDK_CONTROL_DISABLE_NETWORK = 0x2,
    DRUVEX_SDK_CONTROL_DISABLE_IMAGE_CLIP = 0x4,
    DRUVEX_SDK_CONTROL_DISABLE_DISTANCE_CLIP = 0x8,
    DRUVEX_SDK_CONTROL_ENABLE_MULTIPLE_RETURNS = 0x10,
    DRUVEX_SDK_CONTROL_ENABLE_STRAY_FILTER = 0x20,
    DRUVEX_SDK_CONTROL_DISABLE_INFO_CALIBRATION = 0x200,
    DRUVEX_SDK_CONTROL_USE_PACKET_TIME = 0x1000
};
/* Bits druvex_sdk_initialize accepts, and bits druvex_sdk_set_control_flags may change. */
#define DRUVEX_SDK_CONTROL_INIT_MASK 0x123eu
#define DRUVEX_SDK_CONTROL_SET_MASK 0x22eu

/* ---- frame modes ----------------------------------------------------- */
enum {
    DRUVEX_SDK_FRAME_STREAMING = 0,
    DRUVEX_SDK_FRAME_TIMED = 1,
    DRUVEX_SDK_FRAME_HALF_SCAN = 2,
    DRUVEX_SDK_FRAME_FULL_SCAN = 3
};

/* ---- sensor models --------------------------------------------------- */
typedef uint16_t DruvexSensorModel;
enum {
    DRUVEX_SENSOR_MODEL_QX42T = 1,
    DRUVEX_SENSOR_MODEL_QX42W = 3,
    DRUVEX_SENSOR_MODEL_ZUNA_120 = 4,
    DRUVEX_SENSOR_MODEL_ORVEL_330 = 5,
    DRUVEX_SENSOR_MODEL_QX42T_REV2 = 6,
    DRUVEX_SENSOR_MODEL_ORVEL_330_GEN2 = 7,
    DRUVEX_SENSOR_MODEL_BRISEL_510 = 8
};

/* DruvexSensorInformation.flags */
enum {
    DRUVEX_SENSOR_FLAG_IS_MOCKED = 1u << 0,
    DRUVEX_SENSOR_FLAG_IS_PPS_CONNECTED = 1u << 1,
    DRUVEX_SENSOR_FLAG_IS_NMEA_CONNECTED = 1u << 2,
    DRUVEX_SENSOR_FLAG_IS_SYNC_TIMESTAMP_VALID = 1u << 3,
    DRUVEX_SENSOR_FLAG_IS_CALIBRATED = 1u << 4
};
/* DruvexSensorImagePoint.flags and .return_type */
enum {
    DRUVEX_POINT_FLAG_VALID = 1u << 0,
    DRUVEX_POINT_FLAG_SATURATED = 1u << 1,
    DRUVEX_RETURN_TYPE_FIRST = 1u << 0,
    DRUVEX_RETURN_TYPE_FARTHEST = 1u << 1
};

#define DRUVEX_SDK_MAX_LASER_COUNT 32
#define DRUVEX_SDK_MAX_POWER_LEVELS 32
#define DRUVEX_SDK_MAX_RETURNS 2

/* ---- records (fixed binary layout, little-endian) ---------------------- */
#ifdef __cplusplus
#define DRUVEX_RECORD_ASSIGNMENT(T)          \
    T() = default;                           \
    T(const T&) = default;                   \
    T(T&&) = default;                        \
    DRUVEX_API T& operator=(const T& other); \
    DRUVEX_API T& operator=(T&& other) noexcept;
#else
#define DRUVEX_RECORD_ASSIGNMENT(T)
#endif

typedef struct DruvexSDKFrameOptions {
    uint64_t signature; /* 16 */
    uint32_t mode;
    float length; /* seconds, for the timed mode */
    DRUVEX_RECORD_ASSIGNMENT(DruvexSDKFrameOptions)
} DruvexSDKFrameOptions;

typedef struct DruvexSDKOptions {
    uint64_t signature; /* 40 */
    uint32_t control_flags;
    uint8_t padding0[4];
    DruvexSDKFrameOptions frame_options;
    uint16_t port;
    uint8_t padding1[6];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSDKOptions)
} DruvexSDKOptions;

typedef struct DruvexSensorInformation {
    uint64_t handle;
    uint64_t serial_number;
    char model_name[28];
    uint16_t model;
    uint16_t reserved;
    char firmware_version[32];
    float temperature;
    float humidity;
    float run_time;
    float measurement_period;
    int64_t sync_timestamp;
    uint8_t gps_time[6]; /* year since 2000, month, day, hour, minute, second */
    uint8_t return_count;
    uint8_t segment_count;
    uint32_t flags; /* DRUVEX_SENSOR_FLAG_* */
    uint8_t padding0[4];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSensorInformation)
} DruvexSensorInformation;

typedef struct DruvexSensorRawPointWithTime {
    int64_t timestamp;
    uint16_t image_x;
    uint16_t image_z;
    uint32_t distance[DRUVEX_SDK_MAX_RETURNS];
    uint8_t intensity[DRUVEX_SDK_MAX_RETURNS];
    uint8_t saturated[DRUVEX_SDK_MAX_RETURNS];
    uint8_t channel_id;
    uint8_t power_level;
    uint8_t padding0[6];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSensorRawPointWithTime)
} DruvexSensorRawPointWithTime;

typedef struct DruvexSensorImagePoint {
    int64_t timestamp;
    float image_x;
    float distance;
    float image_z;
    float intensity;
    uint8_t return_type; /* DRUVEX_RETURN_TYPE_* */
    uint8_t flags;       /* DRUVEX_POINT_FLAG_* */
    uint8_t reserved[2];
    uint8_t padding0[4];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSensorImagePoint)
} DruvexSensorImagePoint;

typedef struct DruvexSensorTransform {
    float rotation[4]; /* unit quaternion x, y, z, w */
    float translation[3];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSensorTransform)
} DruvexSensorTransform;

typedef struct DruvexSensorStatistics {
    uint16_t value0;
    uint8_t value1;
    uint8_t value2;
    uint16_t value3;
    uint16_t value4;
    uint8_t value5[4];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSensorStatistics)
} DruvexSensorStatistics;

typedef struct DruvexLaserCalibration {
    int16_t image_x_offset;
    int16_t image_x_offset2;
    int16_t image_z_offset;
    int16_t image_z_offset2;
    float intensity_distance_offset;
    float image_x_scale;
    float image_z_scale;
    float x_from_z;
    float z_from_x;
    float power_gain[DRUVEX_SDK_MAX_POWER_LEVELS];
    int16_t power_distance_offset[DRUVEX_SDK_MAX_POWER_LEVELS];
} DruvexLaserCalibration;

typedef struct DruvexCalibration {
    uint32_t signature;
    char model_name[28];
    uint16_t model;
    uint16_t unused0;
    uint16_t channel_count;
    uint16_t flags;
    float focal_length;
    float distance_scale;
    float image_clip_min_x;
    float image_clip_min_z;
    float image_clip_max_x;
    float image_clip_max_z;
    float distance_clip_min;
    float distance_clip_max;
    float distortion_center_x;
    float distortion_center_z;
    float distortion_k1;
    float distortion_k2;
    float distortion_k3;
    DruvexLaserCalibration lasers[DRUVEX_SDK_MAX_LASER_COUNT];
    DRUVEX_RECORD_ASSIGNMENT(DruvexCalibration)
} DruvexCalibration;

/* ---- callbacks --------------------------------------------------------- */
typedef void (*DruvexSensorErrorCallback)(uint64_t handle, int32_t error_code,
                                          const char* error_message, const void* error_data,
                                          size_t error_data_size, void* user_data);
typedef void (*DruvexNetworkPacketCallback)(uint64_t handle, int64_t timestamp_usec,
                                            const uint8_t* buffer, size_t buffer_size,
                                            void* user_data);
typedef void (*DruvexSensorRawFramesCallback)(uint64_t handle, size_t n_points,
                                              const DruvexSensorRawPointWithTime* points,
                                              void* user_data);
typedef void (*DruvexSensorImageFramesCallback)(uint64_t handle, size_t n_points,
                                                const DruvexSensorImagePoint* points,
                                                void* user_data);

/* ---- exported data ------------------------------------------------------ */
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sensor_information_size;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sensor_image_point_size;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sensor_raw_point_with_time_size;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sensor_transform_size;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_laser_calibration_size;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_calibration_size;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sdk_max_laser_count;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sdk_max_power_levels;
DRUVEX_EXTERN_C DRUVEX_API const uint64_t druvex_sdk_max_returns;

#ifdef __cplusplus
extern "C" {
#endif

/* ---- errors ------------------------------------------------------------- */
DRUVEX_API const char* druvex_get_error_code_name(int32_t code);
DRUVEX_API int32_t druvex_is_error_code(int32_t code);
DRUVEX_API int32_t druvex_is_fault_code(int32_t code);
/* Returns the calling thread's last failure and clears it; *error_msg stays valid
 * until the next call on this thread. */
DRUVEX_API int32_t druvex_sdk_get_error(const char** error_msg);

/* ---- options, state, flags ---------------------------------------------- */
/* The records are trivially copyable for calls (only their assignments are
 * user-defined), so returning them by value keeps the C calling convention. */
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
DRUVEX_API DruvexSDKFrameOptions druvex_sdk_create_frame_options(void);
DRUVEX_API DruvexSDKOptions druvex_sdk_create_options(void);
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
DRUVEX_API int32_t druvex_sdk_initialize(int32_t sdk_version, const DruvexSDKOptions* options,
                                         DruvexSensorErrorCallback callback, void* user_data);
DRUVEX_API int32_t druvex_sdk_deinitialize(void);
DRUVEX_API int32_t druvex_sdk_is_initialized(void);
DRUVEX_API int32_t druvex_sdk_clear(void);
DRUVEX_API uint32_t druvex_sdk_get_control_flags(void);
DRUVEX_API int32_t druvex_sdk_has_control_flag(uint32_t flag);
DRUVEX_API int32_t druvex_sdk_set_control_flags(uint32_t mask, uint32_t flags);
DRUVEX_API int32_t druvex_sdk_get_frame_mode(void);
DRUVEX_API float druvex_sdk_get_frame_length(void);
DRUVEX_API int32_t druvex_sdk_set_frame_options(const DruvexSDKFrameOptions* options);
DRUVEX_API uint16_t druvex_sdk_get_port(void);
DRUVEX_API int32_t druvex_sdk_set_port(uint16_t port);

/* ---- callbacks ---------------------------------------------------------- */
DRUVEX_API int32_t druvex_sdk_listen_network_packet(DruvexNetworkPacketCallback callback,
                                                    void* user_data);
DRUVEX_API int32_t druvex_sdk_listen_raw_frames(DruvexSensorRawFramesCallback callback,
                                                void* user_data);
DRUVEX_API int32_t druvex_sdk_listen_image_frames(DruvexSensorImageFramesCallback callback,
                                                  void* user_data);
DRUVEX_API int32_t druvex_sdk_unlisten_network_packet(void);
DRUVEX_API int32_t druvex_sdk_unlisten_raw_frames(void);
DRUVEX_API int32_t druvex_sdk_unlisten_image_frames(void);

/* ---- sensors, values, calibration, transforms ------------------------- */
DRUVEX_API int32_t druvex_sdk_get_n_sensors(void);
DRUVEX_API int32_t druvex_sdk_get_sensor_handle_by_serial_number(uint64_t serial_number,
                                                                 uint64_t* handle);
DRUVEX_API int32_t druvex_sdk_get_sensor_information(uint64_t handle,
                                                     DruvexSensorInformation* information);
DRUVEX_API int32_t druvex_sdk_get_sensor_information_by_index(int32_t index,
                                                              DruvexSensorInformation* information);
DRUVEX_API int32_t druvex_sdk_get(uint64_t handle, uint32_t key, void* value, uint32_t value_size);
DRUVEX_API int32_t druvex_sdk_get_calibration(uint64_t handle, DruvexCalibration* calibration);
DRUVEX_API int32_t druvex_sdk_set_calibration(uint64_t handle,
                                              const DruvexCalibration* calibration);
DRUVEX_API int32_t druvex_sdk_calibrate_points(uint64_t handle, int32_t n_raw_points,
                                               const DruvexSensorRawPointWithTime* raw_points,
                                               int32_t return_count,
                                               DruvexSensorImagePoint* image_points);
DRUVEX_API int32_t druvex_sdk_calibrate_points_with_calibration(
    const DruvexCalibration* calibration, int32_t n_raw_points,
    const DruvexSensorRawPointWithTime* raw_points, int32_t return_count,
    DruvexSensorImagePoint* image_points);
DRUVEX_API int32_t druvex_sdk_get_transform(uint64_t handle, DruvexSensorTransform* transform);
DRUVEX_API int32_t druvex_sdk_has_transform(uint64_t handle, int32_t* has_transform);
DRUVEX_API int32_t druvex_sdk_set_transform(uint64_t handle,
                                            const DruvexSensorTransform* transform);
DRUVEX_API int32_t druvex_sdk_clear_transform(uint64_t handle);

/* ---- mock receive ------------------------------------------------------- */
DRUVEX_API int32_t druvex_sdk_mock_network_receive(uint64_t handle, int64_t timestamp_usec,
                                                   const uint8_t* buffer, size_t size);

/* ---- capture replay ----------------------------------------------------- */
DRUVEX_API int32_t druvex_sdk_capture_replay_open(const char* path);
DRUVEX_API int32_t druvex_sdk_capture_replay_close(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_is_open(void);
DRUVEX_API int64_t druvex_sdk_capture_replay_get_start_time(void);
DRUVEX_API float druvex_sdk_capture_replay_get_position(void);
DRUVEX_API float druvex_sdk_capture_replay_get_length(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_is_end(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_is_running(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_get_enable_loop(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_set_enable_loop(int32_t enable);
DRUVEX_API float druvex_sdk_capture_replay_get_speed(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_set_speed(float speed);
DRUVEX_API int32_t druvex_sdk_capture_replay_seek(float position_sec);
DRUVEX_API int32_t druvex_sdk_capture_replay_rewind(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_resume(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_resume_blocking(float duration_sec);
DRUVEX_API int32_t druvex_sdk_capture_replay_resume_blocking_once(void);
DRUVEX_API int32_t druvex_sdk_capture_replay_pause(void);

#ifdef __cplusplus
}
#endif

#endif /* DRUVEX_SDK_H */
