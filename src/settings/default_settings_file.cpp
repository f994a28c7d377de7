// Saving a default settings file without losing what the user had in it.
#include "default_settings_file.h"

#include "platform/os_helper.h"
#include "platform/path_utils.h"
#include "platform/safe_file.h"

#include <cerrno>

namespace druvex {

DefaultSettingsFile::DefaultSettingsFile(std::string file_name, LoadCheck loads)
    : file_name_(std::move(file_name)), loads_(loads) {}

std::string DefaultSettingsFile::path() const { return get_data_directory("", false) + file_name_; }

void DefaultSettingsFile::loaded(const json& taken) { unchanged_text_ = json_file_text(taken); }

bool DefaultSettingsFile::save(const json& document, std::string& set_aside_as) {
    set_aside_as.clear();
    const std::string file = path();
    const std::string text = json_file_text(document);
    const bool exists = file_exists(file);
    if (exists && unchanged_text_ == text) return true;
    // Before the load check below: a pipe or a device is not read either.
    if (!is_replaceable(file)) {
        errno = EPERM;
        return false;
    }
    if (is_write_protected(file)) {
        errno = EACCES;
        return false;
    }
    if (exists && !loads_(file)) {
        set_aside_as = set_file_aside(file);
        if (set_aside_as.empty()) return false;
    }
    get_data_directory("", true);
    if (!write_file_atomically(file, text)) return false;
    unchanged_text_ = text;
    reported_failure_.clear();
    return true;
}

bool DefaultSettingsFile::holds(const json& document) const {
    std::string text, reason;
    return read_regular_file(path(), max_settings_file_bytes, text, reason) &&
           text == json_file_text(document);
}

bool DefaultSettingsFile::failure_is_new(const std::string& reason) {
    if (reason == reported_failure_) return false;
    reported_failure_ = reason;
    return true;
}

std::vector<std::string> DefaultSettingsFile::remove_leftovers() const {
    return remove_leftover_temporaries(path());
}

}  // namespace druvex
