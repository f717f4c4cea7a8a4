#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

using namespace testsupport;

// A 16384 × 16384 display's picture takes a gibibyte, twice over while it is drawn. With
// the address space capped below that, the screenshot says it lacked memory, in one line
// of the run's own, and writes no file; nothing of the toolkit's reaches standard error.
TEST(ScreenshotMemoryScenario, AScreenshotWithoutMemoryForItsPictureSaysSoOnOneLine)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "the sanitizer's own reservations do not fit a capped address space";
#endif
    TempDir folder;
    const std::string scenario = folder.path() + "/largest.json";
    writeFile(scenario, R"({
  "settings": {"onboardingCompleted": true},
  "displays": [{"id": 1, "frame": [0, 0, 16384, 16384], "scale": 1}],
  "steps": [{"at": 0.5, "do": "screenshot", "file": "hover.png"}]
})");
    const std::string out = folder.path() + "/out";
    const auto run = runGlimra("--scenario " + scenario + " --out " + out, folder.path(), "prlimit --as=1250000000");
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "steps[0].file: not enough memory to draw " + out + "/hover.png\n");
    EXPECT_FALSE(std::filesystem::exists(out + "/hover.png"));
    EXPECT_TRUE(std::filesystem::exists(out + "/state.json"));
}

}  // namespace
