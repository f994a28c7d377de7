// A capture file: sensor datagrams recorded as classic PCAP records with
// synthetic Ethernet, IPv4 and UDP headers, and read back as whole datagrams
// (reassembling IPv4 fragments) with seeking through the capture index.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "buffered_file.h"
#include "capture_index.h"
#include "core/sensor_error.h"
#include "ipv4_reassembly.h"

namespace druvex_sdk {

struct CapturePacketHeader {
    uint64_t handle = 0;    // source IPv4 address, first address byte most significant
    int64_t timestamp = 0;  // microseconds since 1970; 0 when writing means now
    uint64_t size = 0;      // datagram bytes
};

class Capture {
public:
    Capture() = default;
    Capture(const Capture&) = delete;
    Capture& operator=(const Capture&) = delete;
    ~Capture() { (void)close(); }

    SensorError open_for_write(const std::string& path, bool append);
    SensorError write_packet(const CapturePacketHeader& header, const uint8_t* data);
    // Hands the records written so far to the system, so that they are in the
    // file even when the writing process ends without closing it.
    SensorError flush();

    SensorError open_for_read(const std::string& path);
    // The next whole datagram; `data` stays valid until the next read or seek.
    SensorError read_packet(CapturePacketHeader& header, const uint8_t*& data);
    // The same as a bare result code, for the replay's per-packet path, where
    // building an error value would cost more than the reading.
    int32_t read_next(CapturePacketHeader& header, const uint8_t*& data);
    SensorError seek(int64_t position_usec);
    bool is_end() const;
    // The captured length of the first record read that the capture's snap
    // length cut short of its datagram (such datagrams are skipped); 0 while
    // none has been met.
    uint32_t cut_length() const { return cut_length_; }
    // Why the records end before the file does: the damaged record there, or
    // the record the file ends inside, with its byte offset; empty when they
    // do not.
    const std::string& damage() const { return index_.damage; }
    // Where the record times first step back, and by how much in all.
    ClockStepBack find_clock_step_back();
    // What the user learns once when the capture opens: records lost after a
    // damaged one, and a clock that steps back; each names the file.
    std::vector<std::string> open_notices();
    // What reading or seeking found that the open could not say, behind a
    // side file that no longer matches the capture: each notice a scan at
    // the open would have given and that was not given, once.
    std::vector<std::string> take_findings() { return std::exchange(findings_, {}); }
    // Where the records end, naming the file: that there are none (and why,
    // when the file has more), or the damage after the last and how many are
    // kept before it; empty when they end with the file.
    std::string end_notice() const;

    SensorError close();
    bool is_open() const { return out_ != nullptr || in_.is_open(); }

    const std::string& path() const { return path_; }
    int64_t time_offset() const { return format_.time_offset; }
    int64_t start_time() const { return index_.start_time; }
    int64_t position() const { return position_; }
    int64_t length() const { return index_.length(); }
    const std::vector<CaptureIndexEntry>& index() const { return index_.entries; }

private:
    bool open_output(bool append, std::string& reason);
    // Errors naming the file and, for a failed read or write, the reason.
    SensorError write_error() const;
    SensorError read_error(int32_t code) const;
    SensorError read_file_header();
    SensorError load_index();
    SensorError rebuild_index();
    // Rebuilds the index of an open capture found not to match it, keeping
    // as findings the notices of the new index that no one was given.
    SensorError reindex();
    std::vector<std::string> notices();
    // Whether the record at the read position is the one the index has
    // there, whole, and ending where the index's next record starts.
    bool indexed_here(const PcapRecordHeader& record) const;
    // Reindexes where reading found the capture unlike its index, and finds
    // the read position in the new index; a result code, DRUVEX_ERROR_EOF
    // when the records end there.
    int32_t reindex_at_read_position();
    void add_finding(const std::string& notice);
    // The index entry of the first record at or after the position, checked
    // against the capture (a damaged side file is rebuilt first), and the
    // time of its record after the start.
    SensorError find_entry(int64_t position_usec, size_t& k, int64_t& landing_time);
    // Moves the replay clock on to a record read, of `time` after the start.
    void move_clock(int64_t time);
    void note_cut(const PcapRecordHeader& record);
    // Reads the frame of one record of time `time`; `complete` tells whether
    // it finished a datagram. Returns a result code: this runs once per
    // record, and building a full error value each time would cost more than
    // the reading.
    int32_t read_frame(const PcapRecordHeader& record, uint64_t frame_offset, int64_t time,
                       Datagram& datagram, bool& complete);

    std::FILE* out_ = nullptr;
    BufferedFile in_;
    std::string path_;
    bool read_mode_ = false;
    uint64_t read_position_ = 0;
    size_t next_entry_ = 0;  // the index entry of the record at the read position
    uint64_t write_position_ = 0;
    RecordFormat format_;
    int64_t position_ = 0;  // on the replay clock
    // The replay clock at the last record read, and that record's own time
    // after the start: reading moves the clock on as the times do, except
    // where they step back.
    int64_t clock_ = 0;
    int64_t clock_record_time_ = 0;
    uint32_t cut_length_ = 0;
    CaptureIndex index_;
    std::vector<std::string> told_;  // the notices given
    std::vector<std::string> findings_;
    Ipv4Reassembly fragments_;
};

}  // namespace druvex_sdk
