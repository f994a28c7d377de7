// The toolbar panel tests' start: a journey through the toolbar panels,
// skipped only where no virtual display can run.
#pragma once

#include "toolbar_journey.h"

#include <gtest/gtest.h>

#include <string>

namespace druvex::testing {

class PanelTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!journey.skip_reason().empty()) GTEST_SKIP() << journey.skip_reason();
    }

    // The sample capture of two simulated sensors; a failure when the
    // generator cannot make it.
    std::string sample_capture() {
        std::string capture = ToolbarJourney::sample_capture();
        EXPECT_FALSE(capture.empty()) << "no sample capture";
        return capture;
    }

    ToolbarJourney journey;
};

}  // namespace druvex::testing
