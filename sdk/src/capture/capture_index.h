// The index of a capture: the time and file offset of every record, kept in a
// side file next to the capture so that a capture is scanned only once.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "buffered_file.h"
#include "core/sensor_error.h"

namespace druvex_sdk {

struct CaptureIndexEntry {
    int64_t time;     // microseconds after the capture's start time
    uint64_t offset;  // file offset of the record's PCAP header
};
static_assert(sizeof(CaptureIndexEntry) == 16, "index entries are 16 bytes on disk");

struct CaptureIndex {
    int64_t start_time = 0;  // time of the first record, microseconds
    std::vector<CaptureIndexEntry> entries;
    // File offset just past the last complete record. A last record cut short
    // (a recording that stopped mid-write) lies beyond it and is not indexed.
    uint64_t end = 0;

    int64_t length() const { return entries.empty() ? 0 : entries.back().time; }
};

std::string capture_index_path(const std::string& capture_path);

// Reads the side file and checks it against the capture; false when it is
// missing, damaged or does not describe the capture as it is now.
bool load_capture_index(const std::string& index_path, BufferedFile& capture, int64_t time_offset,
                        CaptureIndex& index);

// Scans the complete records of the capture. Fails, with the reason, only
// when the capture cannot be read or holds a record of length zero or of
// more bytes than any packet.
SensorError build_capture_index(BufferedFile& capture, int64_t time_offset, CaptureIndex& index);

// Writes the side file; false, with the reason, when it could not be written.
bool save_capture_index(const std::string& index_path, const CaptureIndex& index,
                        std::string& reason);

// Whether the entry a seek lands on, and the entry before it, stand for the
// capture's records as they are: each has its record's time, and the one
// before is the record just before. The search puts the entry before below
// the target and the landing one at or after it, so the landing record is
// the first at or after the target, whatever the rest of the side file says.
// (The fast open checks only the side file's first and last entries.)
bool landing_matches_capture(const CaptureIndex& index, size_t k, BufferedFile& capture,
                             int64_t time_offset);

// Position of the first entry whose time is at or after `time`, or the
// number of entries. Tolerates entries out of time order.
size_t find_index_entry(const std::vector<CaptureIndexEntry>& entries, int64_t time);

}  // namespace druvex_sdk
