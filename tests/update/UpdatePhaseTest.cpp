#include "update/UpdaterFixture.h"

#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;
using Kind = UpdatePhase::Kind;

using UpdatePhaseTest = testsupport::UpdaterTest;

}  // namespace

TEST_F(UpdatePhaseTest, EachCheckSetsThePhaseUnlessWorkIsUnderWayOrThatBuildIsReady)
{
    int posts = 0;
    const auto token = UpdateInstaller::didChange().addObserver([&] { ++posts; });
    const UpdateManifest offered{"2.0", 20, "https://updates.glimra.app/Glimra-2.0.tar.gz"};
    const UpdateManifest newer{"2.1", 21, "https://updates.glimra.app/Glimra-2.1.tar.gz"};

    UpdateInstaller::apply(offered);
    UpdateInstaller::apply(offered);
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::available(offered));
    EXPECT_EQ(posts, 1);

    for (const UpdatePhase& busy : {UpdatePhase::downloading(offered, 0.5), UpdatePhase::installing(offered)}) {
        UpdateInstaller::setPhase(busy);
        UpdateInstaller::apply(std::nullopt);
        UpdateInstaller::apply(newer);
        EXPECT_EQ(UpdateInstaller::phase(), busy);
    }

    const UpdatePhase ready = UpdatePhase::ready(offered, "/data/Glimra/updates/Glimra-2.0-20.tar.gz");
    UpdateInstaller::setPhase(ready);
    UpdateManifest sameBuildNewNotes = offered;
    sameBuildNewNotes.notes = "changed";
    UpdateInstaller::apply(sameBuildNewNotes);
    EXPECT_EQ(UpdateInstaller::phase(), ready);
    UpdateInstaller::apply(newer);
    EXPECT_EQ(UpdateInstaller::phase(), UpdatePhase::available(newer));
    UpdateInstaller::setPhase(ready);
    const int before = posts;
    UpdateInstaller::apply(std::nullopt);
    EXPECT_EQ(UpdateInstaller::phase().kind, Kind::idle);
    EXPECT_EQ(posts, before + 1);
    UpdateInstaller::didChange().removeObserver(token);

    EXPECT_EQ(ready.description(), "ready(2.0 build 20, /data/Glimra/updates/Glimra-2.0-20.tar.gz)");
    EXPECT_EQ(UpdatePhase::downloading(offered, -1).description(), "downloading(2.0 build 20, -1.0)");
}

TEST_F(UpdatePhaseTest, AlertsAnswerByButtonAndFailuresStaySilentWhilePromptsAreSuppressed)
{
    alerts->scriptResponses({1002});
    EXPECT_EQ(AppUpdate::alert("标题", "说明", {"一", "二", "三"}), 1002);
    EXPECT_EQ(AppUpdate::alert("标题", "说明", {"一", "二"}), 1000);
    ASSERT_EQ(alerts->records().size(), 2u);
    EXPECT_THAT(alerts->records()[0].alert.buttonTitles, ElementsAre("一", "二", "三"));
    EXPECT_EQ(journalOf("app.activate").size(), 2u);

    UpdateInstaller::setSuppressPrompts(true);
    UpdateInstaller::presentFailure("校验失败");
    EXPECT_EQ(alerts->records().size(), 2u);
    UpdateInstaller::setSuppressPrompts(false);
    UpdateInstaller::presentFailure("校验失败");
    ASSERT_EQ(alerts->records().size(), 3u);
    EXPECT_EQ(alerts->records()[2].alert.messageText, "更新失败");
    EXPECT_EQ(alerts->records()[2].alert.informativeText, "校验失败。这不影响任何功能，稍后再试即可。");
    EXPECT_THAT(alerts->records()[2].alert.buttonTitles, ElementsAre("好"));
}
