// What the Tools group's screenshot and demo rows ask of the application.
#pragma once

#include <cstdint>

namespace druvex {

class ToolsHost {
public:
    virtual ~ToolsHost() = default;

    // The save dialog, then the views as drawn into the PNG named.
    virtual void save_screenshot_as() = 0;
    // 0 "None": no demo input; 1 "Tembrix": the demo input runs.
    virtual uint32_t demo_mode() const = 0;
    virtual void set_demo_mode(uint32_t mode) = 0;
};

}  // namespace druvex
