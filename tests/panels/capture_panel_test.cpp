// The Capture panel as a user drives it: record live packets, replay the file,
// pause, step, drag the position slider, stop.
#include "panels/capture_panel.h"
#include "capture/capture.h"
#include "support/free_port.h"
#include "support/panel_test.h"
#include "support/process_runner.h"
#include "support/screenshot.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <tuple>
#include <utility>

namespace druvex {
namespace {

using namespace druvex::testing;

using CapturePanelTest = PanelTest;

constexpr uint64_t replayed = uint64_t{1} << 32;

bool all_replayed(const std::vector<uint64_t>& handles) {
    return !handles.empty() &&
           std::all_of(handles.begin(), handles.end(), [](uint64_t h) { return h >= replayed; });
}

// The longest pause between two packets of a capture, in seconds. A replay's
// position moves a packet at a time, and a recording made on a busy machine
// has pauses.
float longest_pause(const std::string& path) {
    druvex_sdk::Capture capture;
    if (capture.open_for_read(path)) return 0.0f;
    druvex_sdk::CapturePacketHeader header;
    const uint8_t* data = nullptr;
    int64_t last = -1, longest = 0;
    while (!capture.read_packet(header, data)) {
        if (last >= 0) longest = std::max(longest, header.timestamp - last);
        last = header.timestamp;
    }
    return static_cast<float>(longest) / 1e6f;
}

uint64_t capinfos_packets(const std::string& path) {
    std::string output;
    if (run_process({"/usr/bin/capinfos", "-c", "-M", path}, {}, output) != 0) return 0;
    const size_t at = output.find("Number of packets:");
    return at == std::string::npos ? 0 : std::stoull(output.substr(at + 18));
}

TEST_F(CapturePanelTest, RecordThenReplayPauseStepSlideAndStop) {
    const std::string sim = sensor_sim();
    if (sim.empty()) GTEST_SKIP() << "sensor_sim not built";
    ChildProcess sender = send_live_packets(sim);
    const std::string recording = make_temp_dir() + "/run1";

    journey.run([&] {
        nanogui::Widget* capture = journey.panel("Capture");
        ASSERT_NE(capture, nullptr);
        EXPECT_EQ(journey.find("Stop Capture", capture), nullptr);
        EXPECT_EQ(journey.find_type<nanogui::Slider>(capture), nullptr);
        ASSERT_TRUE(journey.wait_until([&] { return !journey.app->get_views().empty(); }));

        journey.answer_file_dialog(recording);
        journey.click(journey.find("Start Capture", capture));
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->is_recording(); }));
        journey.frames();
        EXPECT_EQ(journey.find("Start Capture", capture), nullptr);
        EXPECT_EQ(journey.find("Load Capture", capture), nullptr);
        // Live packets over more than the second the position slider below needs.
        const Deadline long_enough(1.5);
        EXPECT_TRUE(journey.wait_until([&] {
            return journey.app->capture_recorder().packet_count() > 20 && long_enough.passed();
        }));
        journey.click(journey.find("Stop Capture", capture));
        EXPECT_FALSE(journey.gui([&] { return journey.app->is_recording(); }));
        ::kill(sender.pid, SIGTERM);
        ASSERT_NE(journey.find("Start Capture", capture), nullptr);
        EXPECT_GT(capinfos_packets(recording + ".pcap"), 20u);

        journey.answer_file_dialog(recording + ".pcap");
        journey.click(journey.find("Load Capture", capture));
        ASSERT_TRUE(journey.wait_until([&] { return all_replayed(journey.view_handles()); }));
        EXPECT_NE(journey.find("run1", capture), nullptr) << "the file label";
        auto* transport = journey.find_type<Toolbar>(capture);
        ASSERT_NE(transport, nullptr);
        ASSERT_EQ(journey.gui([&] { return transport->childCount(); }), 4);
        ReplayControl& replay = journey.app->replay_control();
        // Positions land on packets: within two of the recording's pauses of
        // where they aim.
        const float slack = 0.05f + 2.0f * longest_pause(recording + ".pcap");

        journey.click(journey.gui([&] { return transport->childAt(1); }));  // pause
        EXPECT_FALSE(replay.is_running());
        EXPECT_EQ(journey.gui(
                      [&] { return static_cast<nanogui::Button*>(transport->childAt(1))->icon(); }),
                  0x25B6);
        journey.gui([&] { replay.seek(0.2f); });
        journey.click(journey.gui([&] { return transport->childAt(3); }));  // step forward
        EXPECT_NEAR(replay.get_position(), 1.2f, slack);
        journey.click(journey.gui([&] { return transport->childAt(0); }));  // step back
        journey.click(journey.gui([&] { return transport->childAt(0); }));  // stops at the start
        EXPECT_NEAR(replay.get_position(), 0.0f, slack);
        EXPECT_TRUE(all_replayed(journey.view_handles())) << "a paused replay's views refill";

        auto* slider = journey.find_type<nanogui::Slider>(capture);
        ASSERT_NE(slider, nullptr);
        const float length = replay.get_length();
        ASSERT_GT(length, 1.0f);
        journey.drag(slider, 0.1f, 0.75f);
        EXPECT_NEAR(replay.get_position(), 0.0f, slack) << "no seek while dragging";
        journey.frames();
        // The slider's fields belong to the GUI thread, which writes them every frame.
        const auto [label, dragged_to] = journey.gui([&] {
            auto* time = static_cast<nanogui::Label*>(ToolbarJourney::find_if(capture, [](auto* w) {
                auto* l = dynamic_cast<nanogui::Label*>(w);
                return l != nullptr && l->caption().find(" / ") != std::string::npos;
            }));
            return std::make_pair(time != nullptr ? time->caption() : std::string(),
                                  journey.toolbar().toolbar_state().replay_slider_fraction);
        });
        EXPECT_EQ(label, format_minutes_seconds(length * dragged_to) + " / " +
                             format_minutes_seconds(length));
        journey.release();
        const auto [dragging, fraction] = journey.gui([&] {
            const ToolbarState& state = journey.toolbar().toolbar_state();
            return std::make_pair(state.replay_slider_dragging, state.replay_slider_fraction);
        });
        EXPECT_FALSE(dragging);
        EXPECT_NEAR(replay.get_position() / length, fraction, 0.05f + slack / length);
        EXPECT_GT(fraction, 0.5f);
        journey.screenshot(journey.data_dir + "/capture_panel.png");

        journey.click(journey.gui([&] { return transport->childAt(2); }));  // stop
        EXPECT_FALSE(replay.is_open());
        EXPECT_TRUE(journey.view_handles().empty());
        EXPECT_NE(journey.find("Start Capture", capture), nullptr);
    });
    ::kill(sender.pid, SIGKILL);
    wait_for_exit(sender, 5.0);
}

std::vector<float> frame_rates(ToolbarJourney& journey) {
    return journey.gui([&] {
        std::vector<float> rates;
        for (auto& [handle, stream] : journey.app->first_view()->streams())
            rates.push_back(stream->frame_rate());
        return rates;
    });
}

// The slider released past its right end and a step forward in the last
// second both reach the last record and stay there; the seeks and the pause
// leave the sensors' frame rates as they were while playing.
TEST_F(CapturePanelTest, SliderAndStepReachTheEndAndSeeksLeaveTheFrameRate) {
    const std::string capture = sample_capture();
    ASSERT_FALSE(capture.empty()) << "no sample capture";
    journey.run([&] {
        journey.load_paused(capture);
        ReplayControl& replay = journey.app->replay_control();
        auto* transport = journey.find_type<Toolbar>(journey.panel("Capture"));
        auto* slider = journey.find_type<nanogui::Slider>(journey.panel("Capture"));
        ASSERT_NE(slider, nullptr);
        auto button = [&](int i) { return journey.gui([&] { return transport->childAt(i); }); };
        journey.click(button(1));  // play long enough for the rates to settle
        ASSERT_TRUE(journey.wait_until([&] { return replay.get_position() > 1.6f; }));
        journey.click(button(1));
        const std::vector<float> playing = frame_rates(journey);
        ASSERT_EQ(playing.size(), 2u);

        const float length = replay.get_length();
        journey.drag(slider, 0.5f, 1.2f);
        journey.release();
        EXPECT_EQ(replay.get_position(), length);
        journey.click(button(0));  // step back
        EXPECT_NEAR(replay.get_position(), length - 1.0f, 0.05f);
        journey.click(button(3));  // step forward, within the last second
        EXPECT_EQ(replay.get_position(), length);
        journey.frames(5);
        EXPECT_EQ(replay.get_position(), length) << "paused at the end, not rewound";
        EXPECT_EQ(journey.gui([&] { return slider->value(); }), 1.0f);
        EXPECT_FALSE(journey.logged("Seek capture failed!"));
        const std::vector<float> paused = frame_rates(journey);
        for (size_t i = 0; i < playing.size(); ++i) {
            EXPECT_GT(playing[i], 1.0f);
            EXPECT_NEAR(paused[i], playing[i], playing[i] * 0.2f) << "sensor " << i;
        }
        journey.screenshot(journey.data_dir + "/capture_end.png");
    });
}

// A capture whose packets all share one instant has no length: the slider
// and the time label sit at the start instead of dividing by zero.
TEST_F(CapturePanelTest, CaptureOfNoLengthReadsAsItsStart) {
    const std::string path = make_temp_dir() + "/instant.pcap";
    {
        druvex_sdk::Capture capture;
        ASSERT_FALSE(capture.open_for_write(path, false));
        const uint8_t packet[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        ASSERT_FALSE(capture.write_packet({0xC0A80001, 1000000, sizeof packet}, packet));
        ASSERT_FALSE(capture.close());
    }
    journey.run([&] {
        journey.answer_file_dialog(path);
        journey.click(journey.find("Load Capture"));
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->replay_control().is_open(); }));
        journey.frames();
        EXPECT_NE(journey.find("00:00 / 00:00"), nullptr);
        auto* slider = journey.find_type<nanogui::Slider>(nullptr);
        ASSERT_NE(slider, nullptr);
        EXPECT_EQ(journey.gui([&] { return slider->value(); }), 0.0f);
        journey.drag(slider, 0.2f, 0.8f);
        journey.release();
        EXPECT_TRUE(std::isfinite(journey.app->replay_control().get_position()));
        EXPECT_EQ(journey.gui([&] { return slider->value(); }), 0.0f);
    });
}

// What is at a path, to tell that it was left as it was: its inode, its
// kind, its device numbers and its size (of a link: the link itself).
std::tuple<ino_t, mode_t, dev_t, off_t> node_of(const std::string& path) {
    struct stat st {};
    ::lstat(path.c_str(), &st);
    return {st.st_ino, st.st_mode, st.st_rdev, st.st_size};
}

// Start Capture on a name the user agreed to replace: a link to a device node
// and a named pipe are left as they were, the band says why, once, and no
// recording starts; a link to a regular file is recorded through and stays.
TEST_F(CapturePanelTest, RecordingReplacesNoDeviceOrPipeAndWritesThroughALink) {
    const std::string dir = make_temp_dir();
    const std::string device = dir + "/sensor0";
    const bool made_device = ::mknod(device.c_str(), S_IFCHR | 0644, ::makedev(1, 3)) == 0;
    if (!made_device) {
        ASSERT_EQ(::mkfifo(device.c_str(), 0644), 0);  // a pipe stands in
    }
    ASSERT_EQ(::symlink("sensor0", (dir + "/device.pcap").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir + "/pipe.pcap").c_str(), 0644), 0);
    std::ofstream(dir + "/old.pcap") << "an older capture";
    ASSERT_EQ(::symlink("old.pcap", (dir + "/linked.pcap").c_str()), 0);
    const std::vector<std::string> names = names_in(dir);
    const auto before = std::make_tuple(node_of(device), node_of(dir + "/device.pcap"),
                                        node_of(dir + "/pipe.pcap"));
    journey.run([&] {
        for (const auto& [name, kind] :
             {std::make_pair("device.pcap", made_device ? "a character device" : "a named pipe"),
              std::make_pair("pipe.pcap", "a named pipe")}) {
            const std::string said = std::string("Could not open capture file! ") + dir + "/" +
                                     name + ": not a regular file (" + kind + ")";
            journey.answer_file_dialog(dir + "/" + name);
            journey.click(journey.find("Start Capture"));
            EXPECT_TRUE(journey.wait_until([&] {
                const std::vector<std::string> shown = journey.app->failure_banner()->messages();
                return !shown.empty() && shown.back() == said;
            })) << said;
            EXPECT_FALSE(journey.gui([&] { return journey.app->is_recording(); }));
            EXPECT_EQ(journey.times_logged(said), 1u) << said;
        }
        EXPECT_GT(banner_rows(journey.screenshot(journey.data_dir + "/refused.png"), 768), 15);

        journey.answer_file_dialog(dir + "/linked.pcap");
        journey.click(journey.find("Start Capture"));
        ASSERT_TRUE(journey.wait_until([&] { return journey.app->is_recording(); }));
        journey.click(journey.find("Stop Capture"));
        EXPECT_FALSE(journey.gui([&] { return journey.app->is_recording(); }));
    });
    EXPECT_TRUE(std::make_tuple(node_of(device), node_of(dir + "/device.pcap"),
                                node_of(dir + "/pipe.pcap")) == before);
    EXPECT_EQ(names_in(dir), names) << "nothing left beside them";
    EXPECT_TRUE(S_ISLNK(std::get<1>(node_of(dir + "/linked.pcap"))));
    druvex_sdk::Capture recorded;
    EXPECT_FALSE(recorded.open_for_read(dir + "/old.pcap"))
        << "the link's file holds the recording";
}

TEST(CaptureTimeLabelTest, ReadsAsMinutesAndSeconds) {
    EXPECT_EQ(format_minutes_seconds(65.0f), "01:05");
    EXPECT_EQ(format_minutes_seconds(720.0f), "12:00");
    EXPECT_EQ(format_minutes_seconds(3725.9f), "02:05");
    EXPECT_EQ(format_minutes_seconds(-3.0f), "00:00");
    EXPECT_EQ(format_minutes_seconds(std::nanf("")), "00:00");
}

}  // namespace
}  // namespace druvex
