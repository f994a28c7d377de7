// One settings file of the data directory that the viewer loads at start and
// saves once a second: it never overwrites a file it cannot read, and
// rewrites the file only when the settings changed.
#pragma once

#include "json_file.h"

#include <optional>
#include <string>
#include <vector>

namespace druvex {

class DefaultSettingsFile {
public:
    // Whether the file at `path` loads into its store without failing.
    using LoadCheck = bool (*)(const std::string& path);

    DefaultSettingsFile(std::string file_name, LoadCheck loads);

    // Data directory + file name; nothing is created.
    std::string path() const;

    // After a load of path() succeeded: `taken` is the store's file form at
    // that moment. Values the reader brought into range then do not count as
    // a change, so the user's file keeps its own text until a real one.
    void loaded(const json& taken);

    // Writes `document` to path() unless the settings are unchanged since
    // they were loaded or last saved and the file is still there. A file
    // the user protected against writing is left as it is (errno EACCES), and
    // so is anything but a regular file (errno EPERM), also at the end of a
    // link. A file that does not load is first renamed aside (see
    // set_file_aside), its new name left in `set_aside_as`. The data
    // directory is made (with its parents) first. False, with errno telling
    // why (see write_failure_reason), when the file could not be set aside
    // or written.
    bool save(const json& document, std::string& set_aside_as);

    // Whether path() holds exactly the text save() writes for `document`.
    bool holds(const json& document) const;

    // Whether a failed save for `reason` is news. Saves repeat every second
    // and would say the same each time: a reason counts once, until a write
    // succeeds or a save fails for another. A reason the load already said
    // is no news either.
    bool failure_is_new(const std::string& reason);

    // At start-up: deletes the temporary files of saves that were killed
    // (see remove_leftover_temporaries) and returns their paths.
    std::vector<std::string> remove_leftovers() const;

private:
    std::string file_name_;
    LoadCheck loads_;
    std::optional<std::string> unchanged_text_;
    std::string reported_failure_;
};

}  // namespace druvex
