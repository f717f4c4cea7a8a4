#include "platform/core/Sha256.h"
#include "update/UpdaterFixture.h"

#include <gmock/gmock.h>

#include <cmath>

namespace {

using SimulatedDownloadTest = testsupport::UpdaterTest;

TEST_F(SimulatedDownloadTest, APacedBodyMovesThePhaseOncePerWholePercentOnVirtualTime)
{
    const std::string body(100000, 'z');  // 0.3 % a piece
    sim::ScriptedRoute paced = route("/Glimra-2.0-200.tar.gz", 200, body);
    paced.bytesPerSecond = 3000;
    serve({paced});

    UpdateManifest manifest{"2.0", 200};
    manifest.url = "https://updates.glimra.app/Glimra-2.0-200.tar.gz";
    manifest.sha256 = core::sha256Hex(body);
    UpdateInstaller::setSuppressPrompts(true);
    std::vector<UpdatePhase> phases;
    const auto token = UpdateInstaller::didChange().addObserver([&] { phases.push_back(UpdateInstaller::phase()); });
    UpdateInstaller::startDownload(manifest);
    clock().advance(60);
    UpdateInstaller::didChange().removeObserver(token);

    ASSERT_EQ(UpdateInstaller::phase().kind, UpdatePhase::Kind::ready);
    EXPECT_EQ(testsupport::readFile(UpdateInstaller::phase().file), body);
    ASSERT_GE(phases.size(), 4u);
    // After the start (0) and the first report: each whole percent once.
    for (std::size_t i = 2; i + 1 < phases.size(); ++i)
        EXPECT_LT(std::trunc(phases[i - 1].fraction * 100), std::trunc(phases[i].fraction * 100)) << i;
    ASSERT_EQ(journalOf("http").size(), 1u);
    EXPECT_EQ(journalOf("http")[0]["status"], 200);
}

}  // namespace
