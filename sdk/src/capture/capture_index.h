// The index of a capture: the time and file offset of every record, kept in a
// side file next to the capture so that a capture is scanned only once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "buffered_file.h"
#include "core/sensor_error.h"
#include "pcap_format.h"

namespace druvex_sdk {

struct CaptureIndexEntry {
    int64_t time;     // microseconds on the replay clock after the capture's start time
    uint64_t offset;  // file offset of the record's PCAP header
};
static_assert(sizeof(CaptureIndexEntry) == 16, "index entries are 16 bytes on disk");

// The replay clock runs with the record times and stands still where they
// step back (the recording machine's clock was set back, or one time stamp is
// damaged): every record keeps its place in file order, and the records after
// a step keep their spacing. Where record times never go back, it reads the
// same as they do, so side files of such captures are the same as ever.
// Far beyond the span of any capture it stops, which no hostile file can
// make overflow.
constexpr int64_t max_replay_clock = int64_t{1} << 62;

// The clock at a record `step_usec` after the record before it (a negative
// step when its time goes back).
inline int64_t advance_replay_clock(int64_t clock, int64_t step_usec) {
    if (step_usec <= 0) return clock;
    return step_usec >= max_replay_clock - clock ? max_replay_clock : clock + step_usec;
}

struct CaptureIndex {
    int64_t start_time = 0;  // time of the first record, microseconds
    std::vector<CaptureIndexEntry> entries;
    // File offset just past the last complete record. A last record cut short
    // (a recording that stopped mid-write) lies beyond it and is not indexed.
    uint64_t end = 0;
    // Why the records end before the file does, with the byte offset of the
    // record at `end`: it is damaged, or the file ends inside it. Empty when
    // the records end with the file.
    std::string damage;

    int64_t length() const { return entries.empty() ? 0 : entries.back().time; }
};

// Where the record times first step back, and how far they step back in all.
struct ClockStepBack {
    uint64_t offset = 0;     // of the first record that is older than the one before
    int64_t position = 0;    // its place on the replay clock
    int64_t total_usec = 0;  // 0 when the times never go back
};

std::string capture_index_path(const std::string& capture_path);

// Reads the side file and checks it against the capture; false when it is
// missing, damaged, older than the capture or does not describe the capture
// as it is now. Only its ends are checked, which keeps the open fast: the
// reader checks every record against it as it reads.
bool load_capture_index(const std::string& index_path, BufferedFile& capture,
                        const RecordFormat& format, CaptureIndex& index);

// Scans the complete records of the capture. A record of length zero or of
// more bytes than the capture's records can hold ends the records (nothing
// after it can be found), as does a last record the file ends inside: the
// index keeps those before it and says where. Fails, with the reason, only
// when the capture cannot be read or its first record is damaged.
SensorError build_capture_index(BufferedFile& capture, const RecordFormat& format,
                                CaptureIndex& index);

// Replaces the side file with a new one, never writing through whatever
// stands at its name; false, with the reason, when it could not be written.
bool save_capture_index(const std::string& index_path, const CaptureIndex& index,
                        const BufferedFile& capture, std::string& reason);

// Whether a record's length is one the capture's records can have: neither
// 0 nor more than its snap length (or link) allows.
bool length_fits(const PcapRecordHeader& header, const RecordFormat& format);

// Reads the records the index points at, a few of them, not the whole file.
ClockStepBack find_clock_step_back(const CaptureIndex& index, BufferedFile& capture,
                                   const RecordFormat& format);

// Whether the entry a seek lands on, and the entry before it, stand for the
// capture's records as they are: the one before is the record just before,
// and the clock moves between them as their times do. The search puts the
// entry before below the target and the landing one at or after it, so the
// landing record is the first at or after the target, whatever the rest of
// the side file says. (The fast open checks only the side file's first and
// last entries.) `landing_time` receives the landing record's time after the
// capture's start.
bool landing_matches_capture(const CaptureIndex& index, size_t k, BufferedFile& capture,
                             const RecordFormat& format, int64_t& landing_time);

// Position of the first entry whose time is at or after `time`, or the
// number of entries. Tolerates entries out of time order.
size_t find_index_entry(const std::vector<CaptureIndexEntry>& entries, int64_t time);

}  // namespace druvex_sdk
