#include "update/AppUpdate.h"

#include "support/TestEnvironment.h"

class AppUpdateObserversTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        AppUpdate::addObserver([this] {
            if (active) seen.push_back({AppUpdate::isChecking(), AppUpdate::available().has_value()});
        });
    }
    void TearDown() override
    {
        AppUpdate::setAvailable(std::nullopt);
        AppUpdate::setChecking(false);
        clock().runUntilIdle();
        active = false;
        VirtualTimeTest::TearDown();
    }

    struct Seen {
        bool checking;
        bool offered;
        bool operator==(const Seen&) const = default;
    };
    // Observers live as long as the process; only this test's own one records.
    bool active = true;
    std::vector<Seen> seen;
};

// Observers run later on the main queue, once per actual change.
TEST_F(AppUpdateObserversTest, ToldOfEachChangeOnTheMainQueue)
{
    int posts = 0;
    const auto token = AppUpdate::didChange().addObserver([&] { ++posts; });

    AppUpdate::setChecking(true);
    AppUpdate::setChecking(true);
    EXPECT_TRUE(seen.empty());
    clock().runUntilIdle();
    EXPECT_EQ(seen, (std::vector<Seen>{{true, false}}));

    AppUpdate::setAvailable(UpdateManifest{"2.0", 5});
    AppUpdate::setAvailable(UpdateManifest{"2.0", 5});
    AppUpdate::setChecking(false);
    clock().runUntilIdle();
    EXPECT_EQ(posts, 1);
    EXPECT_EQ(seen.size(), 3u);
    AppUpdate::didChange().removeObserver(token);
}

TEST_F(AppUpdateObserversTest, ManualCheckMarksItselfAndIgnoresASecondCaller)
{
    int firstCalls = 0;
    int secondCalls = 0;
    AppUpdate::checkManually([&] { ++firstCalls; });
    EXPECT_TRUE(AppUpdate::isChecking());
    EXPECT_EQ(firstCalls, 1);
    AppUpdate::checkManually([&] { ++secondCalls; });
    clock().runUntilIdle();
    EXPECT_FALSE(AppUpdate::isChecking());
    EXPECT_EQ(firstCalls, 2);
    EXPECT_EQ(secondCalls, 0);
    // An observer reads the state of the moment it runs.
    EXPECT_EQ(seen, (std::vector<Seen>{{true, false}, {false, false}}));
}
