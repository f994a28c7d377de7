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

    // The sample capture of two simulated sensors; "" when the generator
    // cannot make it.
    static std::string sample_capture() { return ToolbarJourney::sample_capture(); }

    ToolbarJourney journey;
};

}  // namespace druvex::testing
