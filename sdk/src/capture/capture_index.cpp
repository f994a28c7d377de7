// Building, loading, checking and saving the capture index side file.
#include "capture_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

#include "core/byte_order.h"
#include "core/packet_bytes.h"
#include "pcap_format.h"
#include "regular_file.h"

namespace druvex_sdk {
namespace {

constexpr size_t index_header_size = 24;
constexpr size_t index_entry_size = 16;
constexpr uint64_t index_version = 0;

bool write_all(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes += n;
        count -= static_cast<size_t>(n);
    }
    return true;
}

// Entries must lie in the capture, in file order, each at least a record
// header apart, on a clock that never goes back: a side file that does not is
// never used to seek. (Older side files of captures whose times go back hold
// those times as they are: such a side file is rebuilt.)
bool entries_fit(const std::vector<CaptureIndexEntry>& entries, uint64_t capture_size) {
    if (entries.front().offset != pcap_file_header_size || entries.front().time != 0 ||
        entries.back().time > max_replay_clock) {
        return false;
    }
    for (size_t k = 0; k < entries.size(); ++k) {
        const uint64_t offset = entries[k].offset;
        if (offset > capture_size || capture_size - offset < pcap_record_header_size) return false;
        if (k == 0) continue;
        if (offset < entries[k - 1].offset + pcap_record_header_size) return false;
        if (entries[k].time < entries[k - 1].time) return false;
    }
    return true;
}

bool read_record_header(BufferedFile& capture, uint64_t offset, PcapRecordHeader& header) {
    const uint8_t* bytes = nullptr;
    if (capture.read_at(offset, pcap_record_header_size, &bytes) != BufferedFile::Status::ok) {
        return false;
    }
    header = decode_record_header(bytes);
    return true;
}

uint64_t record_end(uint64_t offset, const PcapRecordHeader& header) {
    return offset + pcap_record_header_size + header.incl_len;
}

std::string record_at(uint64_t offset) { return "record at byte " + std::to_string(offset); }

// A record of no bytes, or of more than the capture's records can hold (a
// flipped bit in its length), is where the file is damaged: nothing after it
// can be found.
SensorError check_record_length(const PcapRecordHeader& header, uint64_t offset,
                                const RecordFormat& format) {
    if (length_fits(header, format)) return success();
    if (header.incl_len == 0) {
        return SensorError(DRUVEX_ERROR_CORRUPT_FILE, record_at(offset) + " has length 0");
    }
    const std::string bound =
        format.snap_length != 0
            ? "the capture's snap length of " + std::to_string(format.snap_length) + " allows"
            : "any packet holds";
    return SensorError(DRUVEX_ERROR_CORRUPT_FILE, record_at(offset) + " claims " +
                                                      std::to_string(header.incl_len) +
                                                      " bytes, more than " + bound);
}

// The file ends inside the record there, most likely a copy or a recording
// that stopped.
std::string cut_short_at(uint64_t offset) {
    return "the file ends inside the " + record_at(offset) + " (cut short)";
}

struct IndexedRecord {
    uint64_t end = 0;
    int64_t time = 0;  // after the capture's start
};

// The record at an entry's offset, when it lies whole inside the indexed part
// of the capture and the entry's clock is where a clock that only ever stands
// still when times go back can be: never behind the record's time, and at 0
// for the first record.
bool read_indexed_record(const CaptureIndex& index, size_t k, BufferedFile& capture,
                         const RecordFormat& format, IndexedRecord& record) {
    const CaptureIndexEntry& entry = index.entries[k];
    PcapRecordHeader header;
    if (!read_record_header(capture, entry.offset, header) || !length_fits(header, format)) {
        return false;
    }
    record.end = record_end(entry.offset, header);
    record.time = record_time(header, format) - index.start_time;
    return record.end <= index.end && entry.time >= record.time && (k > 0 || record.time == 0);
}

// What follows the last complete record may only be a record cut short, or a
// damaged one, which ends the records as it did when the index was built.
bool only_cut_or_damaged_record_after(BufferedFile& capture, const RecordFormat& format,
                                      CaptureIndex& index) {
    if (index.end > capture.size()) return false;
    if (index.end == capture.size()) return true;
    PcapRecordHeader next;
    if (!read_record_header(capture, index.end, next)) {
        if (capture.size() - index.end < pcap_record_header_size) {
            index.damage = cut_short_at(index.end);
        }
        return true;
    }
    if (SensorError damage = check_record_length(next, index.end, format)) {
        index.damage = damage.message;
        return true;
    }
    if (record_end(index.end, next) <= capture.size()) return false;
    index.damage = cut_short_at(index.end);
    return true;
}

// The capture must start and end where, and when, the side file says it does.
bool entries_match_capture(CaptureIndex& index, BufferedFile& capture, const RecordFormat& format) {
    PcapRecordHeader first;
    PcapRecordHeader last;
    const uint64_t last_offset = index.entries.back().offset;
    if (!read_record_header(capture, index.entries.front().offset, first) ||
        record_time(first, format) != index.start_time ||
        !read_record_header(capture, last_offset, last)) {
        return false;
    }
    index.end = record_end(last_offset, last);
    int64_t last_time = 0;
    return only_cut_or_damaged_record_after(capture, format, index) &&
           landing_matches_capture(index, index.entries.size() - 1, capture, format, last_time);
}

bool later(const timespec& a, const timespec& b) {
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// A side file is never older than its capture, even one whose time lies
// ahead of this machine's clock (copied from another machine, say): else
// such a capture would look changed at every open, and be scanned each time.
bool stamp_no_older_than(int fd, const timespec& capture_modified) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    if (!later(capture_modified, info.st_mtim)) return true;
    const timespec times[2] = {{0, UTIME_OMIT}, capture_modified};
    return ::futimens(fd, times) == 0;
}

// A new file beside `path`, created for writing only: -1 when none can be.
int create_beside(const std::string& path, std::string& temporary) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Only nothing, a link, or a regular file its owner may write is replaced:
// a folder, a pipe or a device at the side file's name is none of the
// program's, and a write-protected side file was protected on purpose.
bool replaceable(const std::string& path, std::string& reason) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || S_ISLNK(info.st_mode)) return true;
    if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
        return false;
    }
    if ((info.st_mode & S_IWUSR) == 0) {
        reason = system_error_text(EACCES);
        return false;
    }
    return true;
}

// Writes `bytes` to a new file and renames it to `path`: a link at that name
// is replaced, never followed, and no reader sees half a file.
bool replace_file(const std::string& path, const std::vector<uint8_t>& bytes,
                  const timespec& capture_modified, std::string& reason) {
    if (!replaceable(path, reason)) return false;
    std::string temporary;
    const int fd = create_beside(path, temporary);
    if (fd < 0) {
        reason = system_error_text(errno);
        return false;
    }
    const bool written =
        write_all(fd, bytes.data(), bytes.size()) && stamp_no_older_than(fd, capture_modified);
    if (!written) reason = system_error_text(errno);
    const bool closed = ::close(fd) == 0;
    if (written && !closed) reason = system_error_text(errno);
    const bool renamed = written && closed && ::rename(temporary.c_str(), path.c_str()) == 0;
    if (written && closed && !renamed) reason = system_error_text(errno);
    if (!renamed) ::unlink(temporary.c_str());
    return renamed;
}

// How far the clock runs ahead of the record times at entry k: it grows by
// each step back, so it is 0 up to the first one.
bool clock_lead(const CaptureIndex& index, size_t k, BufferedFile& capture,
                const RecordFormat& format, int64_t& lead) {
    PcapRecordHeader header;
    if (!read_record_header(capture, index.entries[k].offset, header)) return false;
    lead = index.entries[k].time - (record_time(header, format) - index.start_time);
    return true;
}

}  // namespace

std::string capture_index_path(const std::string& capture_path) { return capture_path + ".dvx"; }

bool length_fits(const PcapRecordHeader& header, const RecordFormat& format) {
    return header.incl_len != 0 && header.incl_len <= format.max_length;
}

bool load_capture_index(const std::string& index_path, BufferedFile& capture,
                        const RecordFormat& format, CaptureIndex& index) {
    BufferedFile file;
    const uint8_t* bytes = nullptr;
    // A capture changed after its side file was written may still start and
    // end as the side file says, with any record between changed.
    if (!file.open(index_path) || later(capture.modified(), file.modified()) ||
        file.read_at(0, index_header_size, &bytes) != BufferedFile::Status::ok) {
        return false;
    }
    const uint64_t version = read_le<uint64_t>(bytes, 0);
    const int64_t start_time = static_cast<int64_t>(read_le<uint64_t>(bytes, 8));
    const uint64_t count = read_le<uint64_t>(bytes, 16);
    // Every record takes at least its header in the capture, which bounds the
    // count before anything is allocated for it.
    const uint64_t max_count = capture.size() / pcap_record_header_size;
    if (version != index_version || count == 0 || count > max_count ||
        file.size() != index_header_size + count * index_entry_size) {
        return false;
    }
    const size_t entry_bytes = static_cast<size_t>(count * index_entry_size);
    if (file.read_at(index_header_size, entry_bytes, &bytes) != BufferedFile::Status::ok) {
        return false;
    }
    CaptureIndex loaded;
    loaded.start_time = start_time;
    loaded.entries.resize(static_cast<size_t>(count));
    for (size_t k = 0; k < loaded.entries.size(); ++k) {
        const uint8_t* entry = bytes + k * index_entry_size;
        loaded.entries[k].time = static_cast<int64_t>(read_le<uint64_t>(entry, 0));
        loaded.entries[k].offset = read_le<uint64_t>(entry, 8);
    }
    if (!entries_fit(loaded.entries, capture.size()) ||
        !entries_match_capture(loaded, capture, format)) {
        return false;
    }
    index = std::move(loaded);
    return true;
}

SensorError build_capture_index(BufferedFile& capture, const RecordFormat& format,
                                CaptureIndex& index) {
    index = CaptureIndex();
    index.end = pcap_file_header_size;
    int64_t previous_time = 0;
    for (;;) {
        const uint8_t* bytes = nullptr;
        const BufferedFile::Status status =
            capture.read_at(index.end, pcap_record_header_size, &bytes);
        if (status == BufferedFile::Status::end_of_file) {
            if (index.end < capture.size()) index.damage = cut_short_at(index.end);
            return success();
        }
        if (status != BufferedFile::Status::ok) {
            return SensorError(DRUVEX_ERROR_FILE_IO, capture.failure());
        }
        const PcapRecordHeader header = decode_record_header(bytes);
        if (SensorError damage = check_record_length(header, index.end, format)) {
            if (index.entries.empty()) return damage;
            index.damage = damage.message;
            return success();
        }
        if (record_end(index.end, header) > capture.size()) {
            index.damage = cut_short_at(index.end);
            return success();
        }
        // The first record sets the start even when its time is 0 (the epoch).
        const int64_t time = record_time(header, format);
        if (index.entries.empty()) {
            index.start_time = time;
            previous_time = time;
        }
        const int64_t clock = index.entries.empty() ? 0 : index.entries.back().time;
        index.entries.push_back({advance_replay_clock(clock, time - previous_time), index.end});
        previous_time = time;
        index.end = record_end(index.end, header);
    }
}

bool landing_matches_capture(const CaptureIndex& index, size_t k, BufferedFile& capture,
                             const RecordFormat& format, int64_t& landing_time) {
    // The record before is read first, so that one read fills the window for
    // both records and for the first packet after the seek.
    IndexedRecord before;
    if (k > 0 && (!read_indexed_record(index, k - 1, capture, format, before) ||
                  before.end != index.entries[k].offset)) {
        return false;
    }
    IndexedRecord landing;
    if (!read_indexed_record(index, k, capture, format, landing)) return false;
    landing_time = landing.time;
    return k == 0 || index.entries[k].time == advance_replay_clock(index.entries[k - 1].time,
                                                                   landing.time - before.time);
}

bool save_capture_index(const std::string& index_path, const CaptureIndex& index,
                        const BufferedFile& capture, std::string& reason) {
    std::vector<uint8_t> bytes(index_header_size + index.entries.size() * index_entry_size);
    store_le64(bytes.data(), index_version);
    store_le64(bytes.data() + 8, static_cast<uint64_t>(index.start_time));
    store_le64(bytes.data() + 16, index.entries.size());
    for (size_t k = 0; k < index.entries.size(); ++k) {
        uint8_t* entry = bytes.data() + index_header_size + k * index_entry_size;
        store_le64(entry, static_cast<uint64_t>(index.entries[k].time));
        store_le64(entry + 8, index.entries[k].offset);
    }
    return replace_file(index_path, bytes, capture.modified(), reason);
}

// The clock's lead over the record times never shrinks: the first step back
// is found by halving, reading a few record headers.
ClockStepBack find_clock_step_back(const CaptureIndex& index, BufferedFile& capture,
                                   const RecordFormat& format) {
    ClockStepBack step;
    if (index.entries.size() < 2 ||
        !clock_lead(index, index.entries.size() - 1, capture, format, step.total_usec) ||
        step.total_usec <= 0) {
        return ClockStepBack();
    }
    size_t low = 1;
    size_t high = index.entries.size() - 1;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        int64_t lead = 0;
        if (!clock_lead(index, middle, capture, format, lead)) return ClockStepBack();
        if (lead > 0) {
            high = middle;
        } else {
            low = middle + 1;
        }
    }
    step.offset = index.entries[low].offset;
    step.position = index.entries[low].time;
    return step;
}

size_t find_index_entry(const std::vector<CaptureIndexEntry>& entries, int64_t time) {
    size_t low = 0;
    size_t high = entries.size();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (entries[middle].time < time) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low;
}

}  // namespace druvex_sdk
