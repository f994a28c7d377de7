// One settings file of the data directory that the viewer loads at start and
// saves once a second: it never overwrites a file it cannot read, and
// rewrites the file only when the settings changed.
#pragma once

#include "json_file.h"

#include <optional>
#include <string>

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
    // that does not load is first renamed aside (see set_file_aside), its new
    // name left in `set_aside_as`. The data directory is made (with its
    // parents) first. False when the file could not be set aside or written.
    bool save(const json& document, std::string& set_aside_as);

private:
    std::string file_name_;
    LoadCheck loads_;
    std::optional<std::string> unchanged_text_;
};

}  // namespace druvex
