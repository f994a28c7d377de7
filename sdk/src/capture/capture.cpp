// Capture files: writing PCAP records and reading them back by time.
#include "capture.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "core/clock_math.h"
#include "pcap_format.h"
#include "regular_file.h"

namespace druvex_sdk {
namespace {

// A success value built once and copied: constructing one formats its text,
// which would dominate reading a record.
SensorError read_success() {
    static const SensorError value;
    return value;
}

// A capture whose records are not where its own scan just put them.
constexpr char changed_while_read[] = "the file changed while it was read";

std::string seconds_text(int64_t usec) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(usec) * 1e-6);
    return text;
}

int32_t status_code(BufferedFile::Status status) {
    switch (status) {
        case BufferedFile::Status::ok: return DRUVEX_SUCCESS;
        case BufferedFile::Status::end_of_file: return DRUVEX_ERROR_EOF;
        default: return DRUVEX_ERROR_FILE_IO;
    }
}

}  // namespace

SensorError Capture::open_for_write(const std::string& path, bool append) {
    (void)close();
    path_ = path;
    read_mode_ = false;
    std::string reason;
    if (!open_output(append, reason)) {
        const int error_number = errno;
        (void)close();
        errno = error_number;
        return SensorError(DRUVEX_ERROR_FILE_IO, file_error_text(path, reason));
    }
    return success();
}

// Nothing is truncated before it is known to be a regular file.
bool Capture::open_output(bool append, std::string& reason) {
    const int fd = open_regular_file(path_, O_WRONLY | O_CREAT | (append ? O_APPEND : 0), reason);
    if (fd < 0) return false;
    if ((!append && ::ftruncate(fd, 0) != 0) || (out_ = ::fdopen(fd, "wb")) == nullptr) {
        reason = system_error_text(errno);
        ::close(fd);
        return false;
    }
    bool ok = std::fseek(out_, 0, SEEK_END) == 0;
    const long end = ok ? std::ftell(out_) : -1;
    ok = ok && end >= 0;
    // An appended file that is still empty needs its header too, or no reader
    // could make sense of the records that follow.
    if (ok && end == 0) {
        uint8_t header[pcap_file_header_size];
        encode_file_header(header);
        ok = std::fwrite(header, 1, sizeof header, out_) == sizeof header;
    }
    if (!ok) {
        reason = system_error_text(errno);
        return false;
    }
    write_position_ = end == 0 ? pcap_file_header_size : static_cast<uint64_t>(end);
    return true;
}

SensorError Capture::write_packet(const CapturePacketHeader& header, const uint8_t* data) {
    if (out_ == nullptr || read_mode_) return SensorError(DRUVEX_ERROR_NOT_OPEN);
    // Larger datagrams cannot be described by the IPv4 and UDP length fields.
    if (header.size > max_datagram_size || (data == nullptr && header.size != 0)) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS);
    }
    const int64_t timestamp = header.timestamp != 0 ? header.timestamp : host_time_usec();
    const uint32_t size = static_cast<uint32_t>(header.size);
    uint8_t record[record_overhead];
    encode_record_headers(record, header.handle, timestamp - format_.time_offset, size);
    const bool ok = std::fwrite(record, 1, sizeof record, out_) == sizeof record &&
                    (size == 0 || std::fwrite(data, 1, size, out_) == size);
    if (!ok) {
        std::clearerr(out_);
        return write_error();
    }
    write_position_ += sizeof record + size;
    return success();
}

// The error names the file and the system's reason (a full disk, a file too
// large); errno stays as the failed call left it for callers that read it.
SensorError Capture::write_error() const {
    const int error_number = errno;
    SensorError error(DRUVEX_ERROR_FILE_IO,
                      file_error_text(path_, system_error_text(error_number)));
    errno = error_number;
    return error;
}

SensorError Capture::flush() {
    if (out_ == nullptr) return SensorError(DRUVEX_ERROR_NOT_OPEN);
    if (std::fflush(out_) != 0) {
        const SensorError error = write_error();
        std::clearerr(out_);
        return error;
    }
    return success();
}

SensorError Capture::open_for_read(const std::string& path) {
    (void)close();
    path_ = path;
    read_mode_ = true;
    SensorError error =
        in_.open(path) ? read_file_header() : SensorError(DRUVEX_ERROR_FILE_IO, in_.failure());
    if (!error) error = load_index();
    if (!error) return error;
    (void)close();
    return SensorError(error.code, file_error_text(path, error.message));
}

SensorError Capture::read_file_header() {
    const uint8_t* bytes = nullptr;
    const BufferedFile::Status status = in_.read_at(0, pcap_file_header_size, &bytes);
    if (status == BufferedFile::Status::end_of_file) {
        return SensorError(DRUVEX_ERROR_FILE_IO, in_.size() == 0
                                                     ? "the file is empty (0 bytes)"
                                                     : "the file is too short for a pcap header (" +
                                                           std::to_string(in_.size()) + " bytes)");
    }
    if (status != BufferedFile::Status::ok) return SensorError(DRUVEX_ERROR_FILE_IO, in_.failure());
    const PcapFileHeader header = decode_file_header(bytes);
    if (SensorError error = check_file_header(header)) return error;
    read_position_ = pcap_file_header_size;
    next_entry_ = 0;
    position_ = 0;
    clock_ = 0;
    clock_record_time_ = 0;
    format_ = record_format(header);
    return success();
}

SensorError Capture::load_index() {
    if (load_capture_index(capture_index_path(path_), in_, format_, index_)) return success();
    return rebuild_index();
}

// A failed scan leaves the index as it was.
SensorError Capture::rebuild_index() {
    CaptureIndex index;
    if (SensorError error = build_capture_index(in_, format_, index)) return error;
    index_ = std::move(index);
    // Without a writable side file the index simply lives in memory: captures
    // on read-only media replay all the same, scanned at every open.
    std::string ignored;
    (void)save_capture_index(capture_index_path(path_), index_, in_, ignored);
    return success();
}

// A capture whose first record proves damaged has no records left; its side
// file is replaced by an empty one, which no open takes, so that the next
// open scans and refuses the capture as an open without a side file would.
SensorError Capture::reindex() {
    SensorError error = rebuild_index();
    if (error.code == DRUVEX_ERROR_CORRUPT_FILE) {
        index_ = CaptureIndex();
        index_.end = pcap_file_header_size;
        index_.damage = error.message;
        std::string ignored;
        (void)save_capture_index(capture_index_path(path_), index_, in_, ignored);
        error = success();
    }
    if (error) return error;
    for (const std::string& notice : notices()) add_finding(notice);
    return error;
}

void Capture::add_finding(const std::string& notice) {
    if (std::find(told_.begin(), told_.end(), notice) != told_.end()) return;
    told_.push_back(notice);
    findings_.push_back(notice);
}

std::string Capture::end_notice() const {
    if (index_.entries.empty()) {
        return file_error_text(path_, "the capture holds no packets" +
                                          (index_.damage.empty() ? "" : ": " + index_.damage));
    }
    if (index_.damage.empty()) return "";
    return file_error_text(path_, index_.damage + ": the " + std::to_string(index_.entries.size()) +
                                      " records before it (" + seconds_text(length()) +
                                      ") are replayed, nothing after it");
}

std::vector<std::string> Capture::open_notices() {
    told_ = notices();
    return told_;
}

std::vector<std::string> Capture::notices() {
    std::vector<std::string> notices;
    std::string end = end_notice();
    if (!end.empty()) notices.push_back(std::move(end));
    const ClockStepBack step = find_clock_step_back();
    if (step.total_usec > 0) {
        notices.push_back(file_error_text(
            path_, "the recording's clock steps back at byte " + std::to_string(step.offset) +
                       " (" + seconds_text(step.position) + " into the replay), " +
                       seconds_text(step.total_usec) +
                       " in all: every record plays, in file order"));
    }
    return notices;
}

SensorError Capture::read_packet(CapturePacketHeader& header, const uint8_t*& data) {
    const int32_t code = read_next(header, data);
    return code == DRUVEX_SUCCESS ? read_success() : read_error(code);
}

SensorError Capture::read_error(int32_t code) const {
    if (code != DRUVEX_ERROR_FILE_IO) return SensorError(code);
    return SensorError(code, file_error_text(path_, in_.failure()));
}

// Reading ends with the last complete record: a record cut short after it
// belongs to no datagram, and the capture's length ends before it too.
int32_t Capture::read_next(CapturePacketHeader& header, const uint8_t*& data) {
    if (!in_.is_open()) return DRUVEX_ERROR_NOT_OPEN;
    for (;;) {
        if (read_position_ >= index_.end) return DRUVEX_ERROR_EOF;
        const uint8_t* bytes = nullptr;
        const BufferedFile::Status status =
            in_.read_at(read_position_, pcap_record_header_size, &bytes);
        if (status != BufferedFile::Status::ok) return status_code(status);
        const PcapRecordHeader record = decode_record_header(bytes);
        if (!indexed_here(record)) {
            if (const int32_t code = reindex_at_read_position()) return code;
            continue;
        }
        ++next_entry_;
        const uint64_t frame_offset = read_position_ + pcap_record_header_size;
        read_position_ = frame_offset + record.incl_len;
        const int64_t time = record_time(record, format_);
        move_clock(time - index_.start_time);
        Datagram datagram;
        bool complete = false;
        const int32_t code = read_frame(record, frame_offset, time, datagram, complete);
        if (code != DRUVEX_SUCCESS) return code;
        if (!complete) continue;
        header = CapturePacketHeader{datagram.handle, datagram.timestamp, datagram.size};
        data = datagram.data;
        // A datagram sits on the clock where its first fragment does, as far
        // as the clock can tell; the position never goes back.
        const int64_t behind = clock_record_time_ - (datagram.timestamp - index_.start_time);
        position_ = std::max(position_, clock_ - std::max<int64_t>(behind, 0));
        return DRUVEX_SUCCESS;
    }
}

// A side file is checked only at its ends when it is loaded, and the capture
// may have changed since it was written without its time showing it (a clock
// set back, bytes changed on the disk), or it was written under older rules:
// no record is read as a packet unless it is where the index says it is.
bool Capture::indexed_here(const PcapRecordHeader& record) const {
    const std::vector<CaptureIndexEntry>& entries = index_.entries;
    if (next_entry_ >= entries.size() || entries[next_entry_].offset != read_position_ ||
        !length_fits(record, format_)) {
        return false;
    }
    const uint64_t next =
        next_entry_ + 1 < entries.size() ? entries[next_entry_ + 1].offset : index_.end;
    return read_position_ + pcap_record_header_size + record.incl_len == next;
}

// Reading goes on where the capture's own records still reach the read
// position; otherwise the records end there, as the capture's scan says.
int32_t Capture::reindex_at_read_position() {
    const uint64_t at = read_position_;
    if (SensorError error = reindex()) return error.code;
    const std::vector<CaptureIndexEntry>& entries = index_.entries;
    const auto found = std::lower_bound(
        entries.begin(), entries.end(), at,
        [](const CaptureIndexEntry& entry, uint64_t offset) { return entry.offset < offset; });
    if (found != entries.end() && found->offset == at) {
        next_entry_ = static_cast<size_t>(found - entries.begin());
        return DRUVEX_SUCCESS;
    }
    // A position inside one of the capture's records can only have been
    // reached through bytes that changed while they were read.
    if (at < index_.end) add_finding(file_error_text(path_, changed_while_read));
    read_position_ = std::max(at, index_.end);
    return DRUVEX_ERROR_EOF;
}

void Capture::move_clock(int64_t time) {
    clock_ = advance_replay_clock(clock_, time - clock_record_time_);
    clock_record_time_ = time;
}

void Capture::note_cut(const PcapRecordHeader& record) {
    if (cut_length_ == 0 && record.incl_len < record.orig_len) cut_length_ = record.incl_len;
}

int32_t Capture::read_frame(const PcapRecordHeader& record, uint64_t frame_offset, int64_t time,
                            Datagram& datagram, bool& complete) {
    if (record.incl_len < ipv4_payload_start) {
        note_cut(record);
        return DRUVEX_SUCCESS;
    }
    const size_t head_length = std::min<size_t>(record.incl_len, udp_payload_start);
    const uint8_t* bytes = nullptr;
    BufferedFile::Status status = in_.read_at(frame_offset, head_length, &bytes);
    if (status != BufferedFile::Status::ok) return status_code(status);
    const FrameHeaders headers = decode_frame_headers(bytes, head_length);
    // The IPv4 total length, not the captured length, bounds the payload:
    // short frames are padded on the wire. Frames cut short by the capture's
    // snap length cannot be read whole and are skipped.
    if (!headers.is_ipv4_udp() || headers.total_length < ipv4_header_size) return DRUVEX_SUCCESS;
    const size_t length = headers.total_length - ipv4_header_size;
    if (length > record.incl_len - ipv4_payload_start) {
        note_cut(record);
        return DRUVEX_SUCCESS;
    }
    status = in_.read_at(frame_offset + ipv4_payload_start, length, &bytes);
    if (status != BufferedFile::Status::ok) return status_code(status);
    complete = fragments_.add(headers, bytes, length, time, datagram);
    return DRUVEX_SUCCESS;
}

SensorError Capture::seek(int64_t position_usec) {
    if (!in_.is_open()) return SensorError(DRUVEX_ERROR_NOT_OPEN);
    // The start is a valid position of every capture that has a record, even
    // when all its records share one time and its length is 0.
    const bool at_start = position_usec == 0 && !index_.entries.empty();
    if (position_usec < 0 || (position_usec >= length() && !at_start)) {
        return SensorError(DRUVEX_ERROR_INVALID_ARGUMENTS, "Invalid seek position!");
    }
    size_t k = 0;
    int64_t landing_time = 0;
    if (SensorError error = find_entry(position_usec, k, landing_time)) return error;
    position_ = index_.entries[k].time;
    clock_ = position_;
    clock_record_time_ = landing_time;
    read_position_ = index_.entries[k].offset;
    next_entry_ = k;
    fragments_.clear();
    return success();
}

// Where a seek lands the side file is checked against the capture, and any
// mismatch shows it does not describe the capture: the index is rebuilt from
// the capture and the search done again.
SensorError Capture::find_entry(int64_t position_usec, size_t& k, int64_t& landing_time) {
    for (bool rebuilt = false;; rebuilt = true) {
        k = find_index_entry(index_.entries, position_usec);
        if (k == index_.entries.size()) return SensorError(DRUVEX_ERROR_EOF);
        if (landing_matches_capture(index_, k, in_, format_, landing_time)) return success();
        // An index just built from the capture can only disagree with it
        // when the file changed under the reader.
        if (rebuilt) {
            return SensorError(DRUVEX_ERROR_CORRUPT_FILE,
                               file_error_text(path_, changed_while_read));
        }
        if (SensorError error = reindex()) return error;
    }
}

ClockStepBack Capture::find_clock_step_back() {
    return in_.is_open() ? druvex_sdk::find_clock_step_back(index_, in_, format_) : ClockStepBack();
}

bool Capture::is_end() const { return !in_.is_open() || read_position_ >= index_.end; }

SensorError Capture::close() {
    const bool failed = out_ != nullptr && std::fclose(out_) != 0;
    // The last buffered records are written here: a full disk shows now.
    SensorError result = failed ? write_error() : success();
    out_ = nullptr;
    in_.close();
    path_.clear();
    read_position_ = 0;
    next_entry_ = 0;
    write_position_ = 0;
    format_ = RecordFormat();
    position_ = 0;
    clock_ = 0;
    clock_record_time_ = 0;
    cut_length_ = 0;
    index_ = CaptureIndex();
    told_.clear();
    findings_.clear();
    fragments_.clear();
    return result;
}

}  // namespace druvex_sdk
