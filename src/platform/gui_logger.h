// The application's "gui" logger: every message into the in-memory log,
// warnings and errors also onto standard error, as desktop programs do here.
#pragma once

#include "logger_sink.h"

#include <spdlog/logger.h>

#include <memory>
#include <string>

namespace druvex {

// Not registered: the caller owns the name's registration.
std::shared_ptr<spdlog::logger> create_gui_logger(std::shared_ptr<LoggerSink> sink,
                                                  const std::string& program_name);

}  // namespace druvex
