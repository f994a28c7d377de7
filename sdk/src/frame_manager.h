// The frame registry. (Placeholder until frames arrive.)
#pragma once

#include "druvex_sdk.h"

namespace druvex_sdk {

class FrameManager {
public:
    static FrameManager& instance();

    void clear();
    void set_frame_options(const DruvexSDKFrameOptions& options);
};

}  // namespace druvex_sdk
