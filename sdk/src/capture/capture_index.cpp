// Building, loading, checking and saving the capture index side file.
#include "capture_index.h"

#include <cstdio>
#include <memory>

#include "core/byte_order.h"
#include "core/packet_bytes.h"
#include "pcap_format.h"

namespace druvex_sdk {
namespace {

constexpr size_t kIndexHeaderSize = 24;
constexpr size_t kIndexEntrySize = 16;
constexpr uint64_t kIndexVersion = 0;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// Entries must lie in the capture, in file order, each at least a record
// header apart, with times that never decrease: a side file that does not is
// never used to seek. (A foreign capture whose times go back is simply
// scanned again at each open.)
bool entries_fit(const std::vector<CaptureIndexEntry>& entries, uint64_t capture_size) {
    if (entries.front().offset != kPcapFileHeaderSize || entries.front().time != 0) return false;
    for (size_t k = 0; k < entries.size(); ++k) {
        const uint64_t offset = entries[k].offset;
        if (offset > capture_size || capture_size - offset < kPcapRecordHeaderSize) return false;
        if (k == 0) continue;
        if (offset < entries[k - 1].offset + kPcapRecordHeaderSize) return false;
        if (entries[k].time < entries[k - 1].time) return false;
    }
    return true;
}

bool read_record_header(BufferedFile& capture, uint64_t offset, PcapRecordHeader& header) {
    const uint8_t* bytes = nullptr;
    if (capture.read_at(offset, kPcapRecordHeaderSize, &bytes) != BufferedFile::Status::ok) {
        return false;
    }
    header = decode_record_header(bytes);
    return true;
}

uint64_t record_end(uint64_t offset, const PcapRecordHeader& header) {
    return offset + kPcapRecordHeaderSize + header.incl_len;
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
        file.read_at(0, kIndexHeaderSize, &bytes) != BufferedFile::Status::ok) {
        return false;
    }
    const uint64_t version = read_le<uint64_t>(bytes, 0);
    const int64_t start_time = static_cast<int64_t>(read_le<uint64_t>(bytes, 8));
    const uint64_t count = read_le<uint64_t>(bytes, 16);
    // Every record takes at least its header in the capture, which bounds the
    // count before anything is allocated for it.
    const uint64_t max_count = capture.size() / kPcapRecordHeaderSize;
    if (version != kIndexVersion || count == 0 || count > max_count ||
        file.size() != kIndexHeaderSize + count * kIndexEntrySize) {
        return false;
    }
    const size_t entry_bytes = static_cast<size_t>(count * kIndexEntrySize);
    if (file.read_at(kIndexHeaderSize, entry_bytes, &bytes) != BufferedFile::Status::ok) {
        return false;
    }
    CaptureIndex loaded;
    loaded.start_time = start_time;
    loaded.entries.resize(static_cast<size_t>(count));
    for (size_t k = 0; k < loaded.entries.size(); ++k) {
        const uint8_t* entry = bytes + k * kIndexEntrySize;
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
    index.end = kPcapFileHeaderSize;
    for (;;) {
        const uint8_t* bytes = nullptr;
        const BufferedFile::Status status =
            capture.read_at(index.end, kPcapRecordHeaderSize, &bytes);
        if (status == BufferedFile::Status::end_of_file) return success();
        if (status != BufferedFile::Status::ok) return SensorError(DRUVEX_ERROR_FILE_IO);
        const PcapRecordHeader header = decode_record_header(bytes);
        if (header.incl_len == 0) return SensorError(DRUVEX_ERROR_CORRUPT_FILE);
        if (record_end(index.end, header) > capture.size()) return success();
        // The first record sets the start even when its time is 0 (the epoch).
        const int64_t time = record_time(header, time_offset);
        if (index.entries.empty()) index.start_time = time;
        index.entries.push_back({time - index.start_time, index.end});
        index.end = record_end(index.end, header);
    }
}

bool entry_matches_capture(const CaptureIndex& index, size_t k, BufferedFile& capture,
                           int64_t time_offset) {
    const CaptureIndexEntry& entry = index.entries[k];
    PcapRecordHeader header;
    return read_record_header(capture, entry.offset, header) && header.incl_len != 0 &&
           record_time(header, time_offset) - index.start_time == entry.time &&
           record_end(entry.offset, header) <= index.end;
}

bool save_capture_index(const std::string& index_path, const CaptureIndex& index) {
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(index_path.c_str(), "wb"));
    if (!file) return false;
    uint8_t header[kIndexHeaderSize];
    store_le64(header, kIndexVersion);
    store_le64(header + 8, static_cast<uint64_t>(index.start_time));
    store_le64(header + 16, index.entries.size());
    bool ok = std::fwrite(header, 1, sizeof header, file.get()) == sizeof header;
    std::vector<uint8_t> bytes(index.entries.size() * kIndexEntrySize);
    for (size_t k = 0; k < index.entries.size(); ++k) {
        store_le64(bytes.data() + k * kIndexEntrySize,
                   static_cast<uint64_t>(index.entries[k].time));
        store_le64(bytes.data() + k * kIndexEntrySize + 8, index.entries[k].offset);
    }
    ok = ok &&
         (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size());
    return std::fclose(file.release()) == 0 && ok;
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
