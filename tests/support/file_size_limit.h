// A full disk for the tests: writes of this process fail past a size.
#pragma once

#include <sys/resource.h>

namespace druvex::testing {

// While it lives, the writes of this process fail past `bytes` as on a full
// disk (with the reason "File too large"), instead of ending it with SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*old_handler_)(int) = nullptr;
};

}  // namespace druvex::testing
