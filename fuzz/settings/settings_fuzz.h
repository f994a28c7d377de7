// What the settings fuzzers share: the scratch file each input is written to
// (the stores load files, and the file reader is part of what is fuzzed) and
// the round-trip check on what a reader took.
#pragma once

#include "settings/json_file.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace settings_fuzz {

inline const std::string& scratch_path() {
    static const std::string path =
        "/tmp/druvex_settings_fuzz_" + std::to_string(::getpid()) + ".json";
    return path;
}

inline const std::string& write_scratch(const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(scratch_path().c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    return scratch_path();
}

// Whatever a reader took must be saved as a file that the same reader takes
// back whole: otherwise the next start would lose settings that this one had.
template <typename Record, typename ToJson, typename FromJson>
void check_round_trip(const Record& taken, ToJson to_json, FromJson from_json) {
    druvex::json first;
    to_json(taken, first);
    const std::string text = druvex::json_file_text(first);
    Record again;
    if (!from_json(again, druvex::json::parse(text))) std::abort();
    druvex::json second;
    to_json(again, second);
    if (druvex::json_file_text(second) != text) std::abort();
}

}  // namespace settings_fuzz
