#include "frame_manager.h"

namespace druvex_sdk {

void FrameManager::clear() {}

void FrameManager::set_frame_options(const DruvexSDKFrameOptions&) {}

}  // namespace druvex_sdk
