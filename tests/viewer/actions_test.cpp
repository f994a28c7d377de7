// The viewer's file actions against temporary folders: the settings search,
// the IMU side file, PLY and PNG output, recording, and the camera zoom bounds.
#include "app/capture_recorder.h"
#include "app/screenshot.h"
#include "app/viewer_application.h"
#include "fake_view_host.h"
#include "formats/imu_capture.h"
#include "formats/ply_export.h"
#include "platform/file_search.h"
#include "platform/path_utils.h"
#include "platform/safe_file.h"
#include "support/file_size_limit.h"
#include "support/process_runner.h"

#include "capture/capture.h"

#include <lodepng.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>

namespace druvex {
namespace {

using testing::FileSizeLimit;
using testing::make_temp_dir;
using testing::read_file;

void write_file(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string imu_record(int64_t t, float x) {
    unsigned char r[imu_record_size] = {};
    std::memcpy(r, &t, 8);
    const float values[7] = {x, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f};
    std::memcpy(r + 8, values, sizeof values);
    return std::string(reinterpret_cast<char*>(r), sizeof r);
}

TEST(SettingsSearchTest, FindsTheNearestFolderUpToTheRoot) {
    const std::string root = make_temp_dir();
    ASSERT_EQ(::mkdir((root + "/v1.2").c_str(), 0755), 0);
    ASSERT_EQ(::mkdir((root + "/v1.2/day1").c_str(), 0755), 0);
    write_file(root + "/druvex_transforms.json", "{}");
    write_file(root + "/v1.2/day1/druvex_clips.json", "{}");
    // The capture's own folder first, then its parents (dots in names are no extensions).
    EXPECT_EQ(find_file_upwards(root + "/v1.2/day1", "druvex_transforms.json"),
              root + "/druvex_transforms.json");
    EXPECT_EQ(find_file_upwards(root + "/v1.2/day1", "druvex_clips.json"),
              root + "/v1.2/day1/druvex_clips.json");
    EXPECT_EQ(find_file_upwards(root + "/v1.2/day1", "druvex_nothing.json"), "");
    // Relative folders count from the working directory, ".." included.
    char* working = ::get_current_dir_name();
    const std::string cwd = working;
    std::free(working);
    ASSERT_EQ(::chdir((root + "/v1.2").c_str()), 0);
    EXPECT_EQ(find_file_upwards("day1", "druvex_clips.json"),
              root + "/v1.2/day1/druvex_clips.json");
    EXPECT_EQ(find_file_upwards(".", "druvex_transforms.json"), root + "/druvex_transforms.json");
    EXPECT_EQ(find_file_upwards("", "druvex_transforms.json"), root + "/druvex_transforms.json");
    EXPECT_EQ(find_file_upwards("day1/..", "druvex_clips.json"), "");
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
    // The root folder is searched and the search ends there.
    EXPECT_EQ(find_file_upwards("/", "tmp"), "/tmp");
    EXPECT_EQ(find_file_upwards("/", "druvex_nothing.json"), "");
}

TEST(ImuSideFileTest, NamesLoadingAndLookup) {
    EXPECT_EQ(imu_side_file_path("run1.pcap"), "run1_imu.dat");
    EXPECT_EQ(imu_side_file_path("/data/v1.2/run"), "/data/v1.2/run_imu.dat");
    EXPECT_EQ(imu_side_file_path("/data/run_imu.dat"), "/data/run_imu.dat");

    // Unsorted, with a NaN record and a trailing part: sorted, finite, whole records.
    const std::string path = make_temp_dir() + "/a_imu.dat";
    const float nan = std::numeric_limits<float>::quiet_NaN();
    write_file(path, imu_record(300, 3.0f) + imu_record(100, 1.0f) + imu_record(200, nan) +
                         imu_record(200, 2.0f) + std::string(20, '\x7f'));
    ImuCapture imu;
    ASSERT_TRUE(imu.load(path, nullptr));
    EXPECT_EQ(imu.timestamps(), (std::vector<int64_t>{100, 200, 300}));
    EXPECT_EQ(imu.sample_at(50).x, 1.0f);    // before the first: the first
    EXPECT_EQ(imu.sample_at(200).x, 2.0f);   // equal: that record
    EXPECT_EQ(imu.sample_at(299).x, 2.0f);   // between: the earlier
    EXPECT_EQ(imu.sample_at(1000).x, 3.0f);  // after the last: the last
    std::string reason;
    EXPECT_FALSE(imu.load(path + ".missing", &reason));
    EXPECT_EQ(reason, "No such file or directory");
    // A pipe at the side file's name would never end: it is not read at all.
    ASSERT_EQ(::mkfifo((path + ".pipe").c_str(), 0644), 0);
    EXPECT_FALSE(imu.load(path + ".pipe", &reason));
    EXPECT_EQ(reason, "not a regular file (a named pipe)");
    // Without a file samples are kept in memory, in time order even when the clock steps back.
    EXPECT_TRUE(imu.append(150, ImuSample()));
    EXPECT_EQ(imu.timestamps(), (std::vector<int64_t>{100, 150, 200, 300}));
    imu.close_and_clear(nullptr);
    EXPECT_TRUE(imu.empty());
    EXPECT_EQ(ImuCapture().sample_at(5).w, 1.0f);
}

TEST(ImuSideFileTest, RecordingIsWrittenUnderItsNameAndAFullDiskIsReported) {
    const std::string dir = make_temp_dir();
    const std::string path = dir + "/rec_imu.dat";
    ImuCapture imu;
    std::string reason;
    ASSERT_TRUE(imu.open(path, false, &reason)) << reason;
    EXPECT_TRUE(imu.append(1, ImuSample()));
    EXPECT_TRUE(imu.append(2, ImuSample()));
    EXPECT_EQ(read_file(path).size(), 2 * imu_record_size);  // there before the end
    EXPECT_TRUE(imu.close(&reason)) << reason;
    EXPECT_FALSE(imu.open(path, false, &reason));
    EXPECT_EQ(reason, "File exists");
    EXPECT_EQ(read_file(path).size(), 2 * imu_record_size);
    ASSERT_TRUE(imu.open(path, true, &reason)) << reason;
    EXPECT_EQ(read_file(path).size(), 0u);
    imu.close(nullptr);
    // A link at the name is replaced, never written through.
    write_file(dir + "/users.dat", "the user's bytes");
    ASSERT_EQ(::unlink(path.c_str()), 0);
    ASSERT_EQ(::symlink("users.dat", path.c_str()), 0);
    ASSERT_TRUE(imu.open(path, true, &reason)) << reason;
    EXPECT_TRUE(imu.append(3, ImuSample()));
    imu.close(nullptr);
    EXPECT_EQ(read_file(dir + "/users.dat"), "the user's bytes");
    EXPECT_EQ(read_file(path).size(), imu_record_size);

    ASSERT_TRUE(imu.open(dir + "/full_imu.dat", false, &reason));
    bool appended = true;
    {
        FileSizeLimit full(50);
        for (int i = 0; i < 3; ++i) appended = imu.append(10 + i, ImuSample()) && appended;
        EXPECT_FALSE(imu.close(&reason));
    }
    EXPECT_FALSE(appended);
    EXPECT_NE(reason.find("large"), std::string::npos) << reason;  // EFBIG stands in for ENOSPC
}

TEST(PlyExportTest, HeaderBodyAndEmptyView) {
    const std::string dir = make_temp_dir();
    std::string reason;
    ASSERT_TRUE(write_points_ply({}, dir + "/empty.ply", &reason)) << reason;
    const std::string empty = read_file(dir + "/empty.ply");
    EXPECT_EQ(empty.size(), 115u);
    EXPECT_NE(empty.find("element vertex 0\n"), std::string::npos);

    const std::vector<PointVertex> points = {{0.5f, 1.0f, -2.0f, 3.5f, 7.0f},
                                             {0.5f, 4.0f, 5.0f, 6.0f, 7.0f}};
    ASSERT_TRUE(write_points_ply(points, dir + "/two.ply", &reason)) << reason;
    const std::string two = read_file(dir + "/two.ply");
    const size_t body = two.find("end_header\n") + 11;
    ASSERT_EQ(two.size() - body, 24u);
    float xyz[6];
    std::memcpy(xyz, two.data() + body, sizeof xyz);
    EXPECT_EQ(std::vector<float>(xyz, xyz + 6), (std::vector<float>{1, -2, 3.5f, 4, 5, 6}));
    // A failed export leaves the old file as it was.
    EXPECT_FALSE(write_points_ply(points, dir + "/no/such/folder.ply", &reason));
    EXPECT_FALSE(reason.empty());
}

TEST(ScreenshotFileTest, OpaqueEightBitRgbaOfTheGivenSize) {
    std::vector<uint8_t> rgba(3 * 2 * 4, 0);
    rgba[0] = 200;  // one red pixel, transparent as blending may leave it
    const std::string path = make_temp_dir() + "/shot.png";
    std::string reason;
    ASSERT_TRUE(write_png_rgba(path, 3, 2, rgba, &reason)) << reason;
    std::vector<unsigned char> decoded;
    unsigned w = 0, h = 0;
    lodepng::State state;
    std::vector<unsigned char> png;
    ASSERT_EQ(lodepng::load_file(png, path), 0u);
    ASSERT_EQ(lodepng::decode(decoded, w, h, state, png), 0u);
    EXPECT_EQ(state.info_png.color.colortype, LCT_RGBA);
    EXPECT_EQ(state.info_png.color.bitdepth, 8u);
    EXPECT_EQ(w, 3u);
    EXPECT_EQ(h, 2u);
    EXPECT_EQ(decoded[0], 200);
    for (size_t i = 3; i < decoded.size(); i += 4) EXPECT_EQ(decoded[i], 255);
    EXPECT_FALSE(write_png_rgba(path, 4, 2, rgba, &reason));  // sizes that do not match
}

// Every file the viewer writes keeps one rule: a named pipe, a device or a
// folder, also at the end of a link, is left as it is, and each writer
// refuses it in the same words.
TEST(WriteRuleTest, EveryWriterLeavesWhatIsNotARegularFile) {
    const std::string dir = make_temp_dir();
    ASSERT_EQ(::mkfifo((dir + "/pipe").c_str(), 0644), 0);
    ASSERT_EQ(::symlink("pipe", (dir + "/link").c_str()), 0);
    ASSERT_EQ(::mkdir((dir + "/folder").c_str(), 0755), 0);
    for (const auto& [name, kind] :
         {std::make_pair("pipe", "a named pipe"), std::make_pair("link", "a named pipe"),
          std::make_pair("folder", "a directory")}) {
        const std::string path = dir + "/" + name;
        const std::string said = std::string("not a regular file (") + kind + ")";
        std::string reason;
        EXPECT_FALSE(create_recording_file(path, true, &reason)) << name;
        EXPECT_EQ(reason, said);
        ImuCapture imu;
        reason.clear();
        EXPECT_FALSE(imu.open(path, true, &reason)) << name;
        EXPECT_EQ(reason, said);
        reason.clear();
        EXPECT_FALSE(write_png_rgba(path, 1, 1, std::vector<uint8_t>(4, 0), &reason)) << name;
        EXPECT_EQ(reason, said);
        reason.clear();
        EXPECT_FALSE(write_points_ply({}, path, &reason)) << name;
        EXPECT_EQ(reason, said);
        EXPECT_FALSE(open_ply_file(path, 0).is_open()) << name;
    }
    struct stat st;
    EXPECT_TRUE(::lstat((dir + "/pipe").c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_TRUE(::lstat((dir + "/link").c_str(), &st) == 0 && S_ISLNK(st.st_mode));
    EXPECT_TRUE(::lstat((dir + "/folder").c_str(), &st) == 0 && S_ISDIR(st.st_mode));
    EXPECT_EQ(::rmdir((dir + "/folder").c_str()), 0) << "the folder is still empty";
}

// A recording is in the file under its name while it runs, stamped with the
// times the packets arrived; a file nobody agreed to replace is left alone.
TEST(CaptureRecorderTest, RecordingIsWrittenUnderItsNameWithTheTimesGiven) {
    const std::string dir = make_temp_dir();
    const std::string path = dir + "/rec.pcap";
    write_file(path, "an older capture");
    CaptureRecorder recorder;
    std::string reason;
    EXPECT_FALSE(recorder.start(path, false, &reason));
    EXPECT_EQ(reason, "File exists");
    EXPECT_EQ(read_file(path), "an older capture");
    ASSERT_TRUE(recorder.start(path, true, &reason)) << reason;
    const uint8_t datagram[100] = {1, 2, 3};
    const int64_t first_us = 1700000000123456;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(recorder.append(0xC0A80001, first_us + i * 5000, datagram, 100).ok());
    }
    EXPECT_TRUE(recorder.stop(&reason)) << reason;
    EXPECT_FALSE(recorder.is_recording());
    EXPECT_EQ(recorder.packet_count(), 5u);
    druvex_sdk::Capture capture;
    ASSERT_FALSE(capture.open_for_read(path));
    std::vector<int64_t> times;
    druvex_sdk::CapturePacketHeader header;
    const uint8_t* data = nullptr;
    while (!capture.read_packet(header, data)) times.push_back(header.timestamp);
    EXPECT_EQ(times, (std::vector<int64_t>{first_us, first_us + 5000, first_us + 10000,
                                           first_us + 15000, first_us + 20000}));
    capture.close();

    // A full disk while the last buffered packets are written out at the end.
    ASSERT_TRUE(recorder.start(dir + "/full.pcap", false, &reason));
    {
        FileSizeLimit full(200);
        for (int i = 0; i < 3; ++i) recorder.append(0xC0A80001, first_us, datagram, 100);
        EXPECT_FALSE(recorder.stop(&reason));
    }
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(recorder.start(dir + "/no/such/folder.pcap", false, &reason));
    EXPECT_EQ(reason, "No such file or directory");
}

TEST(CameraZoomTest, FactorsThatWouldBreakTheCameraChangeNothing) {
    EXPECT_FLOAT_EQ(bounded_zoom(0.05f, 1.25f), 0.0625f);
    EXPECT_EQ(bounded_zoom(0.05f, 0.0f), 0.05f);
    EXPECT_EQ(bounded_zoom(0.05f, -3.0f), 0.05f);
    EXPECT_EQ(bounded_zoom(0.05f, std::numeric_limits<float>::infinity()), 0.05f);
    EXPECT_EQ(bounded_zoom(0.05f, std::numeric_limits<float>::quiet_NaN()), 0.05f);
    float zoom = 0.05f;
    for (int i = 0; i < 1000; ++i) zoom = bounded_zoom(zoom, 1.25f);
    EXPECT_TRUE(std::isfinite(zoom));
    for (int i = 0; i < 2000; ++i) zoom = bounded_zoom(zoom, 0.8f);
    EXPECT_GT(zoom, 0.0f);
    EXPECT_EQ(bounded_zoom(0.0f, 2.0f), 0.1f);  // a broken camera is mended, not multiplied
}

}  // namespace
}  // namespace druvex
