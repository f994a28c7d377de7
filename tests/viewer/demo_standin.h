// Puts the stand-in IMU demo tool (demo_standin/) where the viewer's demo
// command finds it, for the tests of the IMU input.
#pragma once

#include <string>

namespace druvex::testing {

// A "python" in `dir` first on PATH and the stand-in module on PYTHONPATH. The
// tool prints `lines` ("|" between them), then does `then`: "exit", "wait"
// (silent until ended) or "repeat" (the last line every 20 ms). Returns the
// file it writes its process id to.
std::string use_demo_standin(const std::string& dir, const std::string& lines,
                             const std::string& then);
// Restores PATH and removes the stand-in's variables.
void forget_demo_standin();

}  // namespace druvex::testing
