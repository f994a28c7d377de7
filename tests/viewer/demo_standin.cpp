// The stand-in IMU demo tool's environment.
#include "demo_standin.h"

#include <unistd.h>

#include <cstdlib>

namespace druvex::testing {
namespace {

std::string g_saved_path;

}  // namespace

std::string use_demo_standin(const std::string& dir, const std::string& lines,
                             const std::string& then) {
    ::symlink("/usr/bin/python3", (dir + "/python").c_str());
    if (g_saved_path.empty()) g_saved_path = std::getenv("PATH");
    ::setenv("PATH", (dir + ":" + g_saved_path).c_str(), 1);
    ::setenv("PYTHONPATH", DRUVEX_SOURCE_DIR "/tests/viewer/demo_standin", 1);
    ::setenv("DEMO_PID_FILE", (dir + "/demo_pid").c_str(), 1);
    ::setenv("DEMO_LINES", lines.c_str(), 1);
    ::setenv("DEMO_THEN", then.c_str(), 1);
    return dir + "/demo_pid";
}

void forget_demo_standin() {
    if (!g_saved_path.empty()) ::setenv("PATH", g_saved_path.c_str(), 1);
    g_saved_path.clear();
    for (const char* name : {"PYTHONPATH", "DEMO_PID_FILE", "DEMO_LINES", "DEMO_THEN"}) {
        ::unsetenv(name);
    }
}

}  // namespace druvex::testing
