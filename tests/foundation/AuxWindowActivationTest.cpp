#include "BridgeTest.h"

#include "foundation/AuxWindowActivation.h"

#include <atomic>

namespace {

// The provider list only grows, so one settings-window stand-in serves every test.
std::atomic<bool> settingsWindowVisible{false};

class AuxWindowActivation : public BridgeTest {
protected:
    void SetUp() override
    {
        BridgeTest::SetUp();
        static const bool registered = [] {
            ::AuxWindowActivation::registerProvider(nullptr);
            ::AuxWindowActivation::registerProvider([] { return false; });
            ::AuxWindowActivation::registerProvider([] { return settingsWindowVisible.load(); });
            return true;
        }();
        (void)registered;
        settingsWindowVisible = false;
        addApp(300, "Dock", "com.apple.dock");
    }

    // Which processes were activated, at which virtual time.
    std::vector<std::pair<desktop::Pid, double>> activations() const
    {
        std::vector<std::pair<desktop::Pid, double>> list;
        for (const auto& line : journalOf("app.activate")) list.emplace_back(line["pid"], line["t"]);
        return list;
    }

    const desktop::Pid self = sim::simulatedOwnPid;
};

}  // namespace

TEST_F(AuxWindowActivation, OpeningAnAuxiliaryWindowShowsTheDockIconThroughTheDock)
{
    settingsWindowVisible = true;
    ::AuxWindowActivation::refresh();
    EXPECT_EQ(world().activationPolicy(), desktop::ActivationPolicy::regular);
    EXPECT_EQ(diagLines(), (std::vector<std::string>{"激活策略: → regular(程序坞可见)"}));
    clock().advance(1);

    const auto list = activations();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0], std::make_pair(self, 0.0));
    EXPECT_EQ(list[1].first, 300);
    EXPECT_NEAR(list[1].second, 0.05, 1e-9);
    EXPECT_EQ(list[2].first, self);
    EXPECT_NEAR(list[2].second, 0.25, 1e-9);
}

TEST_F(AuxWindowActivation, AnUnchangedRegularPolicyOnlyActivatesAgain)
{
    settingsWindowVisible = true;
    ::AuxWindowActivation::refresh();
    clock().advance(1);
    ::AuxWindowActivation::refresh();
    clock().advance(1);
    EXPECT_EQ(diagLines().size(), 1u);
    const auto list = activations();
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[3].first, self);
    EXPECT_NEAR(list[3].second, 1.0, 1e-9);
}

TEST_F(AuxWindowActivation, ClosingTheLastWindowGoesBackToTheMenuBarOnce)
{
    settingsWindowVisible = true;
    ::AuxWindowActivation::refresh();
    clock().advance(1);
    settingsWindowVisible = false;
    ::AuxWindowActivation::refresh();
    ::AuxWindowActivation::refresh();
    clock().advance(1);
    EXPECT_EQ(world().activationPolicy(), desktop::ActivationPolicy::accessory);
    EXPECT_EQ(diagLines(),
              (std::vector<std::string>{"激活策略: → regular(程序坞可见)", "激活策略: → accessory(菜单栏)"}));
    EXPECT_EQ(activations().size(), 3u);
}
