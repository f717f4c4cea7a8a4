#include "parking/VDShim.h"
#include "parking/VirtualDisplayController.h"
#include "platform/defaults/Defaults.h"
#include "support/SimDesktopTest.h"

namespace {

class NoVirtualDisplays : public desktop::VirtualDisplays {
public:
    bool available() override { return false; }
    std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor&) override { return nullptr; }
};

using ParkingFeatureSwitchTest = testsupport::SimDesktopTest;

TEST_F(ParkingFeatureSwitchTest, OnlyAStoredFalseTurnsParkingOffWhileTheDesktopOffersVirtualDisplays)
{
    auto& store = defaults::Defaults::standard();
    ASSERT_TRUE(VDAvailable());
    EXPECT_TRUE(VirtualDisplayController::isFeatureEnabled());  // unset

    store.set("virtualDisplayPark", false);
    EXPECT_FALSE(VirtualDisplayController::isFeatureEnabled());
    store.set("virtualDisplayPark", true);
    EXPECT_TRUE(VirtualDisplayController::isFeatureEnabled());

    // Values a Boolean reading would take as "off" are not Booleans: they count as unset.
    for (const auto& other : {nlohmann::json("NO"), nlohmann::json(0), nlohmann::json(nullptr)}) {
        store.set("virtualDisplayPark", other);
        EXPECT_TRUE(VirtualDisplayController::isFeatureEnabled()) << other.dump();
    }
}

TEST_F(ParkingFeatureSwitchTest, WithoutVirtualDisplaysParkingIsOffWhateverTheSetting)
{
    desktop().virtualDisplays = std::make_shared<NoVirtualDisplays>();
    EXPECT_FALSE(VDAvailable());
    EXPECT_FALSE(VirtualDisplayController::isFeatureEnabled());
    defaults::Defaults::standard().set("virtualDisplayPark", true);
    EXPECT_FALSE(VirtualDisplayController::isFeatureEnabled());
}

}  // namespace
