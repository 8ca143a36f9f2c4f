// Twenty thousand ticks unattended, ten minutes at the 30 ms tick: the test camera with
// Intercepter switched on and off every 250 ticks and a snapshot every 500. The run must
// end cleanly (under the sanitizers: without an error or a leak), and the resident
// memory must stay flat once warmed up. Prints the figures it saw.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "tests/e2e/run_folder.h"

namespace e2e {
namespace {

constexpr int kTicks = 20000;
constexpr int kToggleEvery = 250;
constexpr int kSnapshotEvery = 500;
constexpr int kWarmUpTicks = 2000;
// More than any one frame, mask or logo buffer: growth by that much is memory kept.
constexpr long kGrowthLimitKb = 8 * 1024;

// Freed memory that AddressSanitizer holds back to catch late use would otherwise look
// like growth until its quarantine is full: a small quarantine fills during warm-up, also
// now that frames reuse their blocks and a tick frees only a few kilobytes.
Launch SmallQuarantine()
{
    const char* given = std::getenv("ASAN_OPTIONS");
    std::string options = given != nullptr && *given != '\0' ? std::string(given) + ":" : std::string();
    return Launch{{}, {{"ASAN_OPTIONS", options + "quarantine_size_mb=4"}}, {}};
}

TEST(SoakTest, TwentyThousandTicksKeepResidentMemoryFlat)
{
    std::vector<std::string> presses;
    for (int tick = 0; tick < kTicks; tick += kToggleEvery) presses.push_back(std::to_string(tick) + ":intercept");
    for (int tick = kSnapshotEvery; tick <= kTicks; tick += kSnapshotEvery) {
        presses.push_back(std::to_string(tick) + ":snapshot");
    }
    RunFolder folder;
    const std::unique_ptr<ProgramRun> run = folder.Start(Unattended("yes", presses, kTicks), SmallQuarantine());

    // Sampled as each snapshot is pressed; the last press comes with the end.
    std::vector<std::pair<int, long>> residentKb;
    for (int tick = kSnapshotEvery; tick < kTicks; tick += kSnapshotEvery) {
        if (!run->WaitForOutput("tick " + std::to_string(tick) + ": Snapshot\n", 120s)) break;
        residentKb.emplace_back(tick, run->ResidentKb());
    }
    const RunResult result = run->Wait(120s);
    ASSERT_TRUE(result.Clean()) << result;
    EXPECT_NE(std::string::npos, result.out.find("quenmire: 20000 ticks in ")) << result.out;
    EXPECT_NE(std::string::npos, result.out.find("40 of 40 snapshots written")) << result.out;

    ASSERT_EQ(static_cast<size_t>(kTicks / kSnapshotEvery - 1), residentKb.size());
    long warm = -1;
    long highest = 0;
    for (const auto& [tick, kb] : residentKb) {
        std::printf("soak: resident memory after %5d ticks: %ld kB\n", tick, kb);
        if (tick == kWarmUpTicks) warm = kb;
        if (tick >= kWarmUpTicks) highest = std::max(highest, kb);
    }
    const long last = residentKb.back().second;
    std::printf("soak: after warm-up (%d ticks) %ld kB, last (%d ticks) %ld kB, highest since warm-up %ld kB\n",
                kWarmUpTicks, warm, residentKb.back().first, last, highest);
    ASSERT_GT(warm, 0);
    EXPECT_LT(last - warm, kGrowthLimitKb);
    EXPECT_LT(highest - warm, kGrowthLimitKb);
}

}  // namespace
}  // namespace e2e
