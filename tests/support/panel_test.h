// The toolbar panel tests' start: a journey through the toolbar panels,
// skipped only where no virtual display can run.
#pragma once

#include "druvex_sdk.h"
#include "free_port.h"
#include "process_runner.h"
#include "toolbar_journey.h"

#include <gtest/gtest.h>

#include <string>

namespace druvex::testing {

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    }

    // The sample capture of two simulated sensors; "" when the generator
    // cannot make it.
    static std::string sample_capture() { return ToolbarJourney::sample_capture(); }

    // The simulated sensors' program; "" when it is not built.
    static std::string sensor_sim() {
        const std::string sim = binary_dir() + "/tools/sensor_sim/sensor_sim";
        return executable_exists(sim) ? sim : "";
    }

    // Moves the viewer to a free port and starts `sim` sending live packets
    // there, for longer than any test runs.
    ChildProcess send_live_packets(const std::string& sim) {
        const uint16_t port = free_udp_port();
        EXPECT_EQ(journey.gui([port] { return druvex_sdk_set_port(port); }), DRUVEX_SUCCESS);
        return start_process(
            {sim, "--udp", "127.0.0.1", "--port", std::to_string(port), "--packets", "1000000"}, {},
            "/dev/null");
    }

    ToolbarJourney journey;
};

}  // namespace druvex::testing
