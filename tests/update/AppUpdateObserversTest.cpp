#include "update/AppUpdate.h"

#include "update/UpdaterFixture.h"

namespace {

struct Seen {
    bool checking;
    bool offered;
    bool operator==(const Seen&) const = default;
};

// Observers stay for the life of the process, so the one of these tests records into a
// list of its own, added once.
std::vector<Seen>& seen()
{
    static std::vector<Seen> list;
    static const bool added = [] {
        AppUpdate::addObserver([] { list.push_back({AppUpdate::isChecking(), AppUpdate::available().has_value()}); });
        return true;
    }();
    (void)added;
    return list;
}

}  // namespace

// A manual check needs a network to ask: the simulated one, which knows no host here.
using AppUpdateObserversTest = testsupport::UpdaterTest;

// Observers run later on the main queue, once per actual change, and read the state of
// the moment they run.
TEST_F(AppUpdateObserversTest, ToldOfEachChangeOnTheMainQueue)
{
    seen().clear();
    int posts = 0;
    const auto token = AppUpdate::didChange().addObserver([&] { ++posts; });

    AppUpdate::setChecking(true);
    AppUpdate::setChecking(true);
    EXPECT_TRUE(seen().empty());
    clock().runUntilIdle();
    EXPECT_EQ(seen(), (std::vector<Seen>{{true, false}}));

    AppUpdate::setAvailable(UpdateManifest{"2.0", 5});
    AppUpdate::setAvailable(UpdateManifest{"2.0", 5});
    AppUpdate::setChecking(false);
    clock().runUntilIdle();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(seen(), (std::vector<Seen>{{true, false}, {false, true}, {false, true}}));

    AppUpdate::checkManually({});
    clock().runUntilIdle();
    EXPECT_EQ(seen().size(), 5u);

    AppUpdate::setAvailable(std::nullopt);
    clock().runUntilIdle();
    EXPECT_EQ(posts, 2);
    AppUpdate::didChange().removeObserver(token);
}
