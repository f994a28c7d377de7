// Signal handlers that turn termination requests into a normal shut-down.
#include "shutdown_signal.h"

#include <csignal>

namespace druvex {
namespace {

volatile std::sig_atomic_t g_requested = 0;

void on_signal(int) { g_requested = 1; }

}  // namespace

void install_shutdown_signals() {
    struct sigaction action {};
    action.sa_handler = on_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);  // the terminal was closed
}

bool shutdown_requested() { return g_requested != 0; }

}  // namespace druvex
