// Replays the packet streams kept from fuzzing (inputs that once crashed or
// hung the router) and a simulated stream.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "packet_feed.h"

namespace {

std::vector<std::filesystem::path> kept_inputs() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(DRUVEX_FUZZ_REGRESSIONS)) {
        if (entry.is_regular_file()) files.push_back(entry.path());
    }
    return files;
}

TEST(PacketFuzzRegression, KeptInputsReplayCleanly) {
    const auto files = kept_inputs();
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) {
        SCOPED_TRACE(file.string());
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        druvex_fuzz::feed_packets(bytes.data(), bytes.size());
    }
}

}  // namespace
