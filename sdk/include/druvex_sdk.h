/* Druvex sensor SDK: the exported C API and its records.
 *
 * Link libdruvex_sdk.so and include this header; examples/print_frames.c is a
 * complete program. The SDK listens for sensors on a UDP port (or replays a
 * capture file), decodes their packets into sensors, points and frames, and
 * hands them to the callbacks registered here.
 *
 * Results and the last error. Every call that can fail returns a
 * DruvexSensorErrorCode (DRUVEX_SUCCESS or a negative DRUVEX_ERROR_*). A
 * failure is also stored as the calling thread's last error: code and text,
 * replacing any failure stored before. A call that succeeds leaves a stored
 * failure where it is and returns ITS code: after one unfetched failure, every
 * later successful call on that thread returns that same negative code, until
 * druvex_sdk_get_error fetches and clears it. So fetch the error right after a
 * failure, or before a sequence of calls whose results you test: for example,
 * druvex_sdk_set_port right after a failed druvex_sdk_capture_replay_open
 * moves the port and still returns DRUVEX_ERROR_FILE_IO, the open's failure.
 * Each thread has its own last error; failures on the SDK's own threads reach
 * the error callback instead.
 *
 * Calls that depart from this rule:
 * - calls that return a value rather than a code (the get, has and is calls
 *   and druvex_sdk_get_n_sensors) never store a failure and never return one;
 * - druvex_sdk_get_error returns the stored failure and clears it;
 * - druvex_sdk_get, druvex_sdk_set_calibration with an unknown handle and
 *   druvex_sdk_get_transform before initialisation return their failure
 *   without storing it;
 * - before initialisation, druvex_sdk_clear, druvex_sdk_listen_image_frames
 *   and the unlisten calls do nothing and return the stored failure's code
 *   (0 when none).
 *
 * Threads. The SDK runs an IO thread (the UDP socket) and a processing thread
 * that decodes live packets and calls the callbacks for them; a replay started
 * with druvex_sdk_capture_replay_resume runs on a replay thread of its own.
 * The calls may be made from any thread, but initialisation, deinitialisation,
 * druvex_sdk_clear and the replay controls belong to one controlling thread.
 * Port moves and control flag changes made on several threads at once take
 * effect one at a time: the port and flags set last are the ones in force.
 * What a callback may call is under "callbacks" below.
 *
 * Units. Times are int64 microseconds (packet and point timestamps, capture
 * start time); durations are float seconds (frame length, replay position,
 * length, seek and duration). Pointers passed in must not be NULL unless a call
 * says otherwise. */
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
/* Errors (-1 to -999) are results of calls; faults (-1000 and below) are
 * conditions that a sensor reports or that the SDK's health checks detect, and
 * only ever arrive through the error callback. There is no -3. */
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
/* DISABLE_NETWORK: no UDP socket (needed by druvex_sdk_mock_network_receive;
 * set by druvex_sdk_capture_replay_open and left set by its close). The clip
 * flags switch off the calibration's image and distance clips.
 * ENABLE_MULTIPLE_RETURNS gives an image point per return (up to two) of each
 * measurement. DISABLE_INFO_CALIBRATION ignores the calibration that
 * information packets carry. USE_PACKET_TIME gives every point of a data
 * packet the packet's time. */
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
/* STREAMING: each data packet's points are a frame. TIMED: frames of
 * DruvexSDKFrameOptions.length seconds. HALF_SCAN, FULL_SCAN: a frame per
 * sweep, or per sweep there and back, of the sensor's scan; a model that does
 * not show its sweeps gets timed frames of 0.075 s (half) or 0.1 s (full). In
 * the timed and scan modes the first two frames of each sensor are withheld. */
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

/* Keys of druvex_sdk_get, and the value each one writes. KEY2 to KEY6 are the
 * raw values of the sensor's information packets (KEY2 also divides the clock
 * rate); CLOCK_RATE is 25 MHz / KEY2 / 16 (/ 32 for the Orvel 330 models), and
 * SCALED_CLOCK_RATE is CLOCK_RATE times the packet's clock divider / 4096; both
 * come from "INFO" packets only. Every other key is refused. */
enum {
    DRUVEX_SDK_VALUE_KEY2 = 2,             /* uint16_t */
    DRUVEX_SDK_VALUE_KEY3 = 3,             /* uint16_t */
    DRUVEX_SDK_VALUE_KEY4 = 4,             /* uint16_t */
    DRUVEX_SDK_VALUE_KEY5 = 5,             /* uint16_t */
    DRUVEX_SDK_VALUE_KEY6 = 6,             /* uint16_t */
    DRUVEX_SDK_VALUE_CLOCK_RATE = 8,       /* float, hertz */
    DRUVEX_SDK_VALUE_SCALED_CLOCK_RATE = 9 /* float */
};

/* ---- records (fixed binary layout, little-endian) ---------------------- */
/* A record with a signature must carry its own size there: start from
 * druvex_sdk_create_options / druvex_sdk_create_frame_options. */
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

/* One measurement as the sensor sent it, before calibration: raw integer
 * counts, meaningful only together with the sensor's DruvexCalibration. */
typedef struct DruvexSensorRawPointWithTime {
    int64_t timestamp; /* microseconds: host time, or sensor time converted */
    uint16_t image_x;  /* raw image coordinates (read as signed 16-bit) */
    uint16_t image_z;
    uint32_t distance[DRUVEX_SDK_MAX_RETURNS]; /* raw range counts per return; 0: no return */
    uint8_t intensity[DRUVEX_SDK_MAX_RETURNS]; /* raw intensity per return, 0 to 255 */
    uint8_t saturated[DRUVEX_SDK_MAX_RETURNS]; /* non-zero: the return saturated the detector */
    uint8_t channel_id;                        /* the laser, indexing DruvexCalibration.lasers */
    uint8_t power_level; /* the laser's power step, indexing the power tables; 32 and above: none */
    uint8_t padding0[6];
    DRUVEX_RECORD_ASSIGNMENT(DruvexSensorRawPointWithTime)
} DruvexSensorRawPointWithTime;

/* One calibrated return. image_x and image_z are the tangents of the ray's
 * angles on the sensor's image plane (horizontal and vertical, distortion
 * corrected, no unit); distance is the range along that ray in metres. The
 * viewer places a point in metres, with y along the sensor's axis, as
 *     d = distance / sqrt(image_x^2 + image_z^2 + 1)
 *     x = -d * image_x,  y = d,  z = -d * image_z
 * intensity is the raw intensity corrected for range and laser power
 * (raw * e^2 / gain, e the uncalibrated range in metres): a relative
 * reflectivity with no fixed upper bound, comparable between lasers and
 * distances; 1.0 when the calibration has no gain for the laser, 0 for no
 * return. Only points with DRUVEX_POINT_FLAG_VALID are measurements: invalid
 * ones (no return, clipped, filtered, non-finite) keep their slot so that image
 * point j * return_count + r always belongs to raw point j, return r. */
typedef struct DruvexSensorImagePoint {
    int64_t timestamp;   /* microseconds, the raw point's */
    float image_x;       /* horizontal tangent */
    float distance;      /* metres along the ray; 0 for no return */
    float image_z;       /* vertical tangent */
    float intensity;     /* relative, see above */
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

/* A reserved 12-byte record kept for binary compatibility with programs built
 * against it: the SDK neither fills nor reads it, and no call takes it. Only
 * its assignment operators are exported. */
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
/* Every pointer handed to a callback (message, data, buffer, points) is valid
 * during the call only: copy what you keep. user_data is the pointer given
 * when the callback was registered.
 *
 * The handle is the sender's IPv4 address as a number in host order
 * (10.0.0.5 is 0x0A000005); for replayed packets 2^32 is added, so a live
 * sensor and its replay never share a handle.
 *
 * Which thread calls them: for live traffic, the SDK's processing thread; for
 * a replay, the replay thread after druvex_sdk_capture_replay_resume, or the
 * calling thread inside druvex_sdk_capture_replay_resume_blocking(_once); for
 * druvex_sdk_mock_network_receive, its caller. The frame and error callbacks
 * run on whichever of these threads decodes the packet that completes the
 * frame, shows the fault, or comes next after a queued error.
 *
 * DruvexSensorErrorCallback: failures away from any call (receive errors,
 * packets that fail to decode) and sensor faults (DRUVEX_FAULT_*; data is then the
 * measured value as a 4-byte float). Queued errors are delivered when the next
 * packet is routed. DruvexNetworkPacketCallback: every live or replayed
 * datagram before it is decoded (never a mock-received one); timestamp_usec
 * is the host's receive time, or the capture's time for a replayed packet.
 * DruvexSensorRawFramesCallback, then DruvexSensorImageFramesCallback: each
 * completed frame, raw points first; the image points are return_count per raw
 * point, those cut by a clip or the stray filter without DRUVEX_POINT_FLAG_VALID.
 * A sensor that sends nothing for a second gives back its frame's memory: the
 * points of its unfinished frame are dropped, and it stays known. A replayed
 * sensor keeps them (a paused replay goes on with its frame) and drops them
 * instead when its packets jump back in time (a seek or a loop of the replay).
 * All frames together hold at most 41,943,040 points, raw and image points
 * counted alike (ten-second frames of six sensors measuring 200,000 times a
 * second with two returns hold 36 million): points beyond that are dropped,
 * and the error callback is told so once (DRUVEX_ERROR_OUT_OF_MEMORY) until
 * druvex_sdk_clear.
 *
 * What a callback may call. A slot's lock is held during the call: once an
 * unlisten call returns, the removed callback is not running and will not be
 * called again. A callback may still listen to or remove its own kind; removed,
 * it finishes the running call and is not called again. These calls are
 * refused with DRUVEX_ERROR_GENERIC, "Resource deadlock avoided":
 * - druvex_sdk_deinitialize, from any callback; nothing changes;
 * - inside druvex_sdk_capture_replay_resume_blocking(_once) and on the replay
 *   thread, the replay calls that would close, reopen or move the capture
 *   whose packet is being delivered, or play it a second time meanwhile
 *   (open, close, seek, rewind, resume, resume_blocking(_once));
 * - on the replay thread also those that would wait for that thread to end
 *   (pause, set_speed, set_enable_loop);
 * - druvex_sdk_mock_network_receive from a raw or image frame callback, and
 *   from an error callback called while a frame is handed out: the packet
 *   could need the frame being handed out. A blocking replay started there
 *   is refused at its first packet.
 * Each is refused before it changes anything: the replay goes on. */
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
/* Record sizes and limits as the library was built, to check against the
 * header a program was compiled with. */
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
/* The code's name ("DRUVEX_ERROR_EOF"), or "" for a value that is no code. */
DRUVEX_API const char* druvex_get_error_code_name(int32_t code);
/* 1 for -999 <= code <= -1, else 0. */
DRUVEX_API int32_t druvex_is_error_code(int32_t code);
/* 1 for the DRUVEX_FAULT_* codes, else 0. */
DRUVEX_API int32_t druvex_is_fault_code(int32_t code);
/* Returns the calling thread's stored failure and clears it, so that the next
 * successful call returns DRUVEX_SUCCESS again. *error_msg receives its text:
 * the code's name, then ": " and the detail when there is one
 * ("DRUVEX_ERROR_COMMUNICATION: Must disable networking!"). With nothing stored
 * it returns 0 and "DRUVEX_SUCCESS". The text stays valid until the next
 * druvex_sdk_get_error on the same thread. error_msg may be NULL. */
DRUVEX_API int32_t druvex_sdk_get_error(const char** error_msg);

/* ---- options, state, flags ---------------------------------------------- */
/* The defaults: frame mode streaming, frame length 0.05 s, no control flags,
 * port 8808, signatures set. The records are trivially copyable for calls (only
 * their assignments are user-defined), so returning them by value keeps the C
 * calling convention. */
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wreturn-type-c-linkage"
#endif
/* Frame options with their signature set: streaming, 0.05 s. */
DRUVEX_API DruvexSDKFrameOptions druvex_sdk_create_frame_options(void);
/* Options with their signature set, holding the defaults above. */
DRUVEX_API DruvexSDKOptions druvex_sdk_create_options(void);
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
/* Starts the SDK: sdk_version is DRUVEX_SDK_VERSION (else
 * DRUVEX_ERROR_SDK_VERSION_MISMATCH), the options' control flags lie within
 * DRUVEX_SDK_CONTROL_INIT_MASK, and unless DISABLE_NETWORK is set it listens on
 * options->port. callback (may be NULL) receives the errors and faults that
 * arise away from any call. A second call gives DRUVEX_ERROR_ALREADY_INITIALIZED.
 * When it fails on the frame options, the control flags are already taken. */
DRUVEX_API int32_t druvex_sdk_initialize(int32_t sdk_version, const DruvexSDKOptions* options,
                                         DruvexSensorErrorCallback callback, void* user_data);
/* Closes the replay, stops listening, removes all four callbacks, forgets all
 * sensors and frames and sets the control flags to 0; frame options and port
 * stay. It also runs at process exit. Initialising again afterwards works. */
DRUVEX_API int32_t druvex_sdk_deinitialize(void);
/* 1 between a successful druvex_sdk_initialize and druvex_sdk_deinitialize. */
DRUVEX_API int32_t druvex_sdk_is_initialized(void);
/* Forgets all sensors and their pending frames; they come back with their
 * next information packets. Before initialisation it does nothing and returns
 * the stored last error's code. */
DRUVEX_API int32_t druvex_sdk_clear(void);
/* The DRUVEX_SDK_CONTROL_* bits in force (0 before initialisation). */
DRUVEX_API uint32_t druvex_sdk_get_control_flags(void);
/* 1 if any bit of flag is set. */
DRUVEX_API int32_t druvex_sdk_has_control_flag(uint32_t flag);
/* Sets the bits of mask to those of flags. mask must lie within
 * DRUVEX_SDK_CONTROL_SET_MASK: MULTIPLE_RETURNS and USE_PACKET_TIME are chosen
 * at initialisation only. Changing DISABLE_NETWORK stops or starts listening. */
DRUVEX_API int32_t druvex_sdk_set_control_flags(uint32_t mask, uint32_t flags);
/* The DRUVEX_SDK_FRAME_* mode in force. */
DRUVEX_API int32_t druvex_sdk_get_frame_mode(void);
/* The timed mode's frame length, seconds. */
DRUVEX_API float druvex_sdk_get_frame_length(void);
/* Applies to every sensor at once; pending points are kept. */
DRUVEX_API int32_t druvex_sdk_set_frame_options(const DruvexSDKFrameOptions* options);
/* The UDP port listened on, or stored for when networking is switched on. */
DRUVEX_API uint16_t druvex_sdk_get_port(void);
/* Moves the listener to the port; with DISABLE_NETWORK set it only stores it.
 * Like every call under the last-error rule it returns a failure stored
 * earlier on this thread although the port did move: check
 * druvex_sdk_get_port, or fetch the error first. */
DRUVEX_API int32_t druvex_sdk_set_port(uint16_t port);
/* Live packets received but dropped unprocessed since the program started:
 * when more than 1000 wait to be processed, the whole backlog is dropped at
 * once. The count only grows (over deinitialisation too), so a caller takes
 * the difference over the span it cares about. Needs no initialisation and
 * touches no last error. */
DRUVEX_API uint64_t druvex_sdk_get_n_dropped_packets(void);

/* ---- callbacks ---------------------------------------------------------- */
/* One callback of each kind (see "callbacks" above for threads and pointers):
 * listening with a NULL function gives DRUVEX_ERROR_INVALID_ARGUMENTS, on a
 * taken slot DRUVEX_ERROR_TOO_MANY_CALLBACKS (the first one stays); unlisten
 * first to replace it. Before initialisation the listen calls give
 * DRUVEX_ERROR_NOT_INITIALIZED, except druvex_sdk_listen_image_frames, which
 * then registers nothing and returns the stored last error's code (0 when none),
 * as the unlisten calls do. The error callback is given to druvex_sdk_initialize. */
/* Every live and replayed datagram, before it is decoded. */
DRUVEX_API int32_t druvex_sdk_listen_network_packet(DruvexNetworkPacketCallback callback,
                                                    void* user_data);
/* Each completed frame as raw points. */
DRUVEX_API int32_t druvex_sdk_listen_raw_frames(DruvexSensorRawFramesCallback callback,
                                                void* user_data);
/* Each completed frame as calibrated image points, after its raw frame. */
DRUVEX_API int32_t druvex_sdk_listen_image_frames(DruvexSensorImageFramesCallback callback,
                                                  void* user_data);
/* Each removes its kind's callback; once it returns, that callback is not
 * running and is not called again (called from that callback itself, the
 * running call goes on to its end). An empty slot is no failure. */
DRUVEX_API int32_t druvex_sdk_unlisten_network_packet(void);
DRUVEX_API int32_t druvex_sdk_unlisten_raw_frames(void);
DRUVEX_API int32_t druvex_sdk_unlisten_image_frames(void);

/* ---- sensors, values, calibration, transforms ------------------------- */
/* A sensor is known from its first information packet until druvex_sdk_clear
 * or druvex_sdk_deinitialize; before that, and for any other handle, the calls
 * give DRUVEX_ERROR_SENSOR_NOT_FOUND. What they copy out is a snapshot taken
 * under the sensor's lock; the processing thread may update the sensor at any
 * time. Exceptions to the last-error rule: druvex_sdk_get,
 * druvex_sdk_set_calibration with an unknown handle and druvex_sdk_get_transform
 * before initialisation return their failure without storing it.
 *
 * At most 256 sensors are known at once: further senders are ignored, and the
 * error callback is told so once (DRUVEX_ERROR_OUT_OF_MEMORY) until
 * druvex_sdk_clear makes room. */
/* How many sensors are known (0 before initialisation). */
DRUVEX_API int32_t druvex_sdk_get_n_sensors(void);
/* The handle of the sensor with this serial number. */
DRUVEX_API int32_t druvex_sdk_get_sensor_handle_by_serial_number(uint64_t serial_number,
                                                                 uint64_t* handle);
/* A copy of what the sensor's information packets said, with its handle. */
DRUVEX_API int32_t druvex_sdk_get_sensor_information(uint64_t handle,
                                                     DruvexSensorInformation* information);
/* index runs from 0 to druvex_sdk_get_n_sensors() - 1, in order of appearance. */
DRUVEX_API int32_t druvex_sdk_get_sensor_information_by_index(int32_t index,
                                                              DruvexSensorInformation* information);
/* Writes the value of a DRUVEX_SDK_VALUE_* key; value_size must be the size of
 * its type. For a known sensor it returns the lookup's own result, 0 or
 * DRUVEX_ERROR_INVALID_ARGUMENTS for a refused key or size, and never stores
 * it (nor returns an earlier stored failure). */
DRUVEX_API int32_t druvex_sdk_get(uint64_t handle, uint32_t key, void* value, uint32_t value_size);
/* A copy of the calibration the sensor's points are calibrated with. */
DRUVEX_API int32_t druvex_sdk_get_calibration(uint64_t handle, DruvexCalibration* calibration);
/* Replaces it; later information packets may replace it again unless
 * DRUVEX_SDK_CONTROL_DISABLE_INFO_CALIBRATION was set at initialisation. */
DRUVEX_API int32_t druvex_sdk_set_calibration(uint64_t handle,
                                              const DruvexCalibration* calibration);
/* Calibrate raw points with the sensor's calibration (or the one given) and
 * the current clip and filter flags: image_points receives n_raw_points *
 * return_count points (return_count 1 or 2). */
DRUVEX_API int32_t druvex_sdk_calibrate_points(uint64_t handle, int32_t n_raw_points,
                                               const DruvexSensorRawPointWithTime* raw_points,
                                               int32_t return_count,
                                               DruvexSensorImagePoint* image_points);
DRUVEX_API int32_t druvex_sdk_calibrate_points_with_calibration(
    const DruvexCalibration* calibration, int32_t n_raw_points,
    const DruvexSensorRawPointWithTime* raw_points, int32_t return_count,
    DruvexSensorImagePoint* image_points);
/* A pose kept per sensor for the caller; the SDK does not apply it to points.
 * Cleared, the transform is all zero (w = 0 too), not the identity. */
DRUVEX_API int32_t druvex_sdk_get_transform(uint64_t handle, DruvexSensorTransform* transform);
/* *has_transform is 1 once a transform was set and not cleared since. */
DRUVEX_API int32_t druvex_sdk_has_transform(uint64_t handle, int32_t* has_transform);
DRUVEX_API int32_t druvex_sdk_set_transform(uint64_t handle,
                                            const DruvexSensorTransform* transform);
/* Back to all zero, and druvex_sdk_has_transform gives 0. */
DRUVEX_API int32_t druvex_sdk_clear_transform(uint64_t handle);

/* ---- mock receive ------------------------------------------------------- */
/* Decodes one datagram as if it had come from handle, on the calling thread
 * (so the frame and error callbacks run there). Needs DISABLE_NETWORK, else
 * DRUVEX_ERROR_COMMUNICATION; the network-packet callback is not called.
 * Refused from a frame callback (see "What a callback may call"). */
DRUVEX_API int32_t druvex_sdk_mock_network_receive(uint64_t handle, int64_t timestamp_usec,
                                                   const uint8_t* buffer, size_t size);

/* ---- capture replay ----------------------------------------------------- */
/* One replay of a PCAP capture into the SDK. Its packets reach the callbacks as
 * live ones do, with 2^32 added to the handle. Positions, lengths, seek and
 * duration are float seconds from the capture's start; the start time is
 * int64 microseconds since 1970; all three are 0 while nothing is open. The
 * getters answer on any thread, before initialisation too; the other calls
 * belong to one controlling thread, and those that change the replay pause a
 * running replay and resume it afterwards. */

/* Opens a capture, paused at its start. It switches the network off
 * (DRUVEX_SDK_CONTROL_DISABLE_NETWORK), and closing does not switch it on.
 * Only a regular file opens (a pipe or device is refused at once, never read);
 * a capture without packets gives DRUVEX_ERROR_EOF. The failure's text names
 * the file and what is wrong with it or the system's reason. Records after a
 * damaged one (of length 0, or longer than the capture's snap length allows)
 * cannot be found, nor can the rest of a record the file ends inside: the
 * capture opens with the records before it, and the error callback is told
 * once (DRUVEX_ERROR_CORRUPT_FILE) at which byte and how many are kept. A
 * damaged first record is refused. The index kept beside a capture (its path
 * plus ".dvx") changes none of this: where the capture changed after it was
 * written and its time does not show it, the damage is told in the same words
 * when the replay reaches it, the replay ends there, and the length becomes
 * that of the records before it. */
DRUVEX_API int32_t druvex_sdk_capture_replay_open(const char* path);
/* Stops the replay, closes the file and forgets all sensors (druvex_sdk_clear). */
DRUVEX_API int32_t druvex_sdk_capture_replay_close(void);
/* 1 while a capture is open. */
DRUVEX_API int32_t druvex_sdk_capture_replay_is_open(void);
/* The first packet's time, microseconds since 1970. */
DRUVEX_API int64_t druvex_sdk_capture_replay_get_start_time(void);
/* Seconds from the start to the next packet to be played. */
DRUVEX_API float druvex_sdk_capture_replay_get_position(void);
/* Seconds from the first packet to the last. */
DRUVEX_API float druvex_sdk_capture_replay_get_length(void);
/* 1 once the last packet is read (and while nothing is open), until a seek. */
DRUVEX_API int32_t druvex_sdk_capture_replay_is_end(void);
/* 1 while the replay thread runs. A replay that stops on an error shows only
 * as not running while open and not at the end. */
DRUVEX_API int32_t druvex_sdk_capture_replay_is_running(void);
/* Looping: at the end the replay thread starts again from position 0. 1 when
 * it is on (off at start). */
DRUVEX_API int32_t druvex_sdk_capture_replay_get_enable_loop(void);
/* Any non-zero enable switches it on. */
DRUVEX_API int32_t druvex_sdk_capture_replay_set_enable_loop(int32_t enable);
/* Capture time per wall-clock time, from 0.000001 to 5 (1 at start). */
DRUVEX_API float druvex_sdk_capture_replay_get_speed(void);
/* A speed outside that range is refused. */
DRUVEX_API int32_t druvex_sdk_capture_replay_set_speed(float speed);
/* Moves to the first packet at or after position_sec, which must lie in
 * [0, length). Rewind is a seek to 0. */
DRUVEX_API int32_t druvex_sdk_capture_replay_seek(float position_sec);
DRUVEX_API int32_t druvex_sdk_capture_replay_rewind(void);
/* Plays on the replay thread, paced by the packets' times and the speed, and
 * returns at once. After a hold-up of more than a second it goes on from where
 * it is instead of catching up. */
DRUVEX_API int32_t druvex_sdk_capture_replay_resume(void);
/* Plays on the calling thread, as fast as it can, and returns when the position
 * has moved more than duration_sec past where it started, or at the end of the
 * capture (it does not loop there). The callbacks run on the calling thread
 * meanwhile. At the end already, it gives DRUVEX_ERROR_EOF without loop and
 * starts again from 0 with it; while the replay thread runs it gives
 * DRUVEX_ERROR_GENERIC. */
DRUVEX_API int32_t druvex_sdk_capture_replay_resume_blocking(float duration_sec);
/* The same for exactly one packet. */
DRUVEX_API int32_t druvex_sdk_capture_replay_resume_blocking_once(void);
/* Stops the replay thread and waits for it to end; the position stays. */
DRUVEX_API int32_t druvex_sdk_capture_replay_pause(void);

#ifdef __cplusplus
}
#endif

#endif /* DRUVEX_SDK_H */
