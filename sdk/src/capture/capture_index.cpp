// Building, loading, checking and saving the capture index side file.
#include "capture_index.h"

#include <fcntl.h>
#include <unistd.h>

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
// header apart, with times that never decrease: a side file that does not is
// never used to seek. (A foreign capture whose times go back is simply
// scanned again at each open.)
bool entries_fit(const std::vector<CaptureIndexEntry>& entries, uint64_t capture_size) {
    if (entries.front().offset != pcap_file_header_size || entries.front().time != 0) return false;
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

// A record of no bytes, or of more than any packet holds, is where the file
// is damaged: nothing after it can be found.
SensorError check_record_length(const PcapRecordHeader& header, uint64_t offset) {
    const std::string record = "record at byte " + std::to_string(offset);
    if (header.incl_len == 0) {
        return SensorError(DRUVEX_ERROR_CORRUPT_FILE, record + " has length 0");
    }
    if (header.incl_len > pcap_max_record_length) {
        return SensorError(DRUVEX_ERROR_CORRUPT_FILE, record + " claims " +
                                                          std::to_string(header.incl_len) +
                                                          " bytes, more than any packet holds");
    }
    return success();
}

// The end of the entry's record when a record of the entry's time stands at
// its offset inside the indexed part of the capture, else 0.
uint64_t matching_record_end(const CaptureIndex& index, size_t k, BufferedFile& capture,
                             int64_t time_offset) {
    const CaptureIndexEntry& entry = index.entries[k];
    PcapRecordHeader header;
    if (!read_record_header(capture, entry.offset, header) || header.incl_len == 0 ||
        record_time(header, time_offset) - index.start_time != entry.time) {
        return 0;
    }
    const uint64_t end = record_end(entry.offset, header);
    return end <= index.end ? end : 0;
}

// What follows the last complete record may only be a record cut short.
bool only_cut_record_after(BufferedFile& capture, uint64_t end) {
    if (end > capture.size()) return false;
    PcapRecordHeader next;
    if (!read_record_header(capture, end, next)) return true;
    return record_end(end, next) > capture.size();
}

// The capture must start and end where, and when, the side file says it does.
bool entries_match_capture(CaptureIndex& index, BufferedFile& capture, int64_t time_offset) {
    PcapRecordHeader first;
    PcapRecordHeader last;
    const uint64_t last_offset = index.entries.back().offset;
    if (!read_record_header(capture, index.entries.front().offset, first) ||
        record_time(first, time_offset) != index.start_time ||
        !read_record_header(capture, last_offset, last) ||
        record_time(last, time_offset) - index.start_time != index.entries.back().time) {
        return false;
    }
    index.end = record_end(last_offset, last);
    return only_cut_record_after(capture, index.end);
}

}  // namespace

std::string capture_index_path(const std::string& capture_path) { return capture_path + ".dvx"; }

bool load_capture_index(const std::string& index_path, BufferedFile& capture, int64_t time_offset,
                        CaptureIndex& index) {
    BufferedFile file;
    const uint8_t* bytes = nullptr;
    if (!file.open(index_path) ||
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
        !entries_match_capture(loaded, capture, time_offset)) {
        return false;
    }
    index = std::move(loaded);
    return true;
}

SensorError build_capture_index(BufferedFile& capture, int64_t time_offset, CaptureIndex& index) {
    index = CaptureIndex();
    index.end = pcap_file_header_size;
    for (;;) {
        const uint8_t* bytes = nullptr;
        const BufferedFile::Status status =
            capture.read_at(index.end, pcap_record_header_size, &bytes);
        if (status == BufferedFile::Status::end_of_file) return success();
        if (status != BufferedFile::Status::ok) {
            return SensorError(DRUVEX_ERROR_FILE_IO, capture.failure());
        }
        const PcapRecordHeader header = decode_record_header(bytes);
        if (SensorError error = check_record_length(header, index.end)) return error;
        if (record_end(index.end, header) > capture.size()) return success();
        // The first record sets the start even when its time is 0 (the epoch).
        const int64_t time = record_time(header, time_offset);
        if (index.entries.empty()) index.start_time = time;
        index.entries.push_back({time - index.start_time, index.end});
        index.end = record_end(index.end, header);
    }
}

bool landing_matches_capture(const CaptureIndex& index, size_t k, BufferedFile& capture,
                             int64_t time_offset) {
    // The record before is read first, so that one read fills the window for
    // both records and for the first packet after the seek.
    if (k > 0 &&
        matching_record_end(index, k - 1, capture, time_offset) != index.entries[k].offset) {
        return false;
    }
    return matching_record_end(index, k, capture, time_offset) != 0;
}

bool save_capture_index(const std::string& index_path, const CaptureIndex& index,
                        std::string& reason) {
    std::vector<uint8_t> bytes(index_header_size + index.entries.size() * index_entry_size);
    store_le64(bytes.data(), index_version);
    store_le64(bytes.data() + 8, static_cast<uint64_t>(index.start_time));
    store_le64(bytes.data() + 16, index.entries.size());
    for (size_t k = 0; k < index.entries.size(); ++k) {
        uint8_t* entry = bytes.data() + index_header_size + k * index_entry_size;
        store_le64(entry, static_cast<uint64_t>(index.entries[k].time));
        store_le64(entry + 8, index.entries[k].offset);
    }
    const int fd = open_regular_file(index_path, O_WRONLY | O_CREAT, reason);
    if (fd < 0) return false;
    const bool ok = ::ftruncate(fd, 0) == 0 && write_all(fd, bytes.data(), bytes.size());
    if (!ok) reason = system_error_text(errno);
    const bool closed = ::close(fd) == 0;
    if (ok && !closed) reason = system_error_text(errno);
    return ok && closed;
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
