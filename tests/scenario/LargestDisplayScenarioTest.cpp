#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace testsupport;

// A window filling a 4096 × 2304 point display at scale 4 (16384 × 9216 pixels, 604 MB a
// frame), mirrored for 4 simulated seconds: its frames are painted into storage used
// again, not a fresh buffer each, so no more than the shown and the next frame are held at
// once.
TEST(LargestDisplayScenario, AMirroredWindowOfTheLargestDisplayReusesItsFrames)
{
    TempDir folder;
    const std::string scenario = folder.path() + "/largest.json";
    writeFile(scenario, R"({
  "settings": {"onboardingCompleted": true},
  "displays": [{"id": 1, "frame": [0, 0, 4096, 2304], "scale": 4}],
  "apps": [{"pid": 501, "bundleID": "com.example.viewer", "name": "Viewer",
            "windows": [{"id": 4242, "title": "Map", "frame": [0, 0, 4096, 2304]}]}],
  "frontmost": 501,
  "steps": [
    {"at": 0.5, "do": "command", "name": "mirrorWindow", "window": 4242},
    {"at": 4.5, "do": "quit"}
  ]
})");
    GlimraChild glimra({"--scenario", scenario, "--out", folder.path() + "/out"}, folder.path());
    ASSERT_TRUE(glimra.started());
    const auto status = glimra.waitForExit(600);
    ASSERT_TRUE(status.has_value()) << "the run hangs";
    EXPECT_EQ(*status, 0) << glimra.err();

#if !defined(__SANITIZE_ADDRESS__)  // its shadow and quarantine are memory of their own
    const long long frameBytes = 16384LL * 9216 * 4;
    EXPECT_LT(glimra.peakResidentBytes(), frameBytes * 5 / 2)
        << "peak " << glimra.peakResidentBytes() / (1 << 20) << " MB";
#endif
}

}  // namespace
