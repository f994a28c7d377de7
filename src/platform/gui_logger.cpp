// The "gui" logger over the in-memory sink and standard error.
#include "gui_logger.h"

#include <spdlog/sinks/stdout_sinks.h>

namespace druvex {

std::shared_ptr<spdlog::logger> create_gui_logger(std::shared_ptr<LoggerSink> sink,
                                                  const std::string& program_name) {
    auto errors = std::make_shared<spdlog::sinks::stderr_sink_mt>();
    errors->set_level(spdlog::level::warn);
    errors->set_pattern(program_name + ": %l: %v");
    return std::make_shared<spdlog::logger>(
        "gui", spdlog::sinks_init_list{std::move(sink), std::move(errors)});
}

}  // namespace druvex
