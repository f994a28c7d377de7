// The Tools group's "Screenshot" button and "Demo Mode" choice.
#pragma once

namespace druvex {

// The command of the demo input; its output lines are orientation samples.
extern const char* const demo_command_line;

}  // namespace druvex
