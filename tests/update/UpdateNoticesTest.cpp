#include "update/AppUpdate.h"
#include "update/UpdateInstaller.h"

#include <gmock/gmock.h>

namespace {

using testing::ElementsAre;

TEST(UpdatePhaseNotice, PostedOnEveryChangeOfThePhaseOnly)
{
    int phaseNotices = 0;
    int availabilityNotices = 0;
    const auto phaseToken = UpdateInstaller::didChange().addObserver([&] { ++phaseNotices; });
    const auto availabilityToken = AppUpdate::didChange().addObserver([&] { ++availabilityNotices; });
    EXPECT_EQ(UpdateInstaller::didChange().name(), "GlimraUpdatePhaseChanged");
    EXPECT_EQ(AppUpdate::didChange().name(), "GlimraUpdateAvailabilityChanged");
    EXPECT_EQ(UpdateInstaller::phase().kind, UpdatePhase::Kind::idle);

    const UpdateManifest manifest{"1.2.0", 12};
    UpdateInstaller::setPhase(UpdatePhase::available(manifest));
    UpdateInstaller::setPhase(UpdatePhase::available(manifest));
    EXPECT_EQ(phaseNotices, 1);
    UpdateInstaller::setPhase(UpdatePhase::downloading(manifest, 0.25));
    UpdateInstaller::setPhase(UpdatePhase::downloading(manifest, 0.5));  // progress is a change
    UpdateInstaller::setPhase(UpdatePhase::ready(manifest, "/tmp/Glimra.dmg"));
    EXPECT_EQ(phaseNotices, 4);
    EXPECT_EQ(UpdateInstaller::phase().file, "/tmp/Glimra.dmg");

    UpdateInstaller::didChange().removeObserver(phaseToken);
    UpdateInstaller::setPhase({});
    EXPECT_EQ(phaseNotices, 4);
    EXPECT_EQ(UpdateInstaller::phase().kind, UpdatePhase::Kind::idle);
    EXPECT_EQ(availabilityNotices, 0);
    AppUpdate::didChange().removeObserver(availabilityToken);
}

TEST(UpdatePhaseNotice, AnObserverRemovedDuringAPostIsNotCalledAfterwards)
{
    ChangeNotice notice("test");
    std::vector<std::string> calls;
    ChangeNotice::Token second = 0;
    notice.addObserver([&] {
        calls.push_back("first");
        notice.removeObserver(second);
        notice.addObserver([&] { calls.push_back("added"); });
    });
    second = notice.addObserver([&] { calls.push_back("second"); });

    notice.post();
    EXPECT_THAT(calls, ElementsAre("first"));
    notice.post();
    EXPECT_THAT(calls, ElementsAre("first", "first", "added"));
}

}  // namespace
