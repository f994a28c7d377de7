// What the Capture panel's recording rows ask of the application.
#pragma once

namespace druvex {

class RecordingHost {
public:
    virtual ~RecordingHost() = default;

    // The save dialog, then the recording of live packets into the file named.
    virtual void start_capture() = 0;
    // Ends the recording and its IMU side file.
    virtual void stop_capture() = 0;
    virtual bool is_recording() const = 0;
};

}  // namespace druvex
