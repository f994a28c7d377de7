// SIGTERM, SIGINT and SIGHUP ask the main loop to end through the normal shut-down
// path (settings saved, SDK down), so the exit code stays 0.
#pragma once

namespace druvex {

void install_shutdown_signals();
bool shutdown_requested();

}  // namespace druvex
