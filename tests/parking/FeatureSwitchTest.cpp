#include "parking/display/VDShim.h"
#include "parking/display/DisplayController.h"
#include "platform/defaults/Defaults.h"
#include "support/SimDesktopTest.h"

namespace {

class NoVirtualDisplays : public desktop::VirtualDisplays {
public:
    bool available() override { return false; }
    std::unique_ptr<desktop::VirtualDisplay> create(const desktop::VirtualDisplayDescriptor&) override
    {
        return nullptr;
    }
};

using ParkingFeatureSwitchTest = testsupport::SimDesktopTest;

TEST_F(ParkingFeatureSwitchTest, OnlyAStoredFalseTurnsParkingOffWhileTheDesktopOffersVirtualDisplays)
{
    auto& store = defaults::Defaults::standard();
    ASSERT_TRUE(VDAvailable());
    EXPECT_TRUE(parking::DisplayController::isFeatureEnabled());  // unset

    store.set("virtualDisplayPark", false);
    EXPECT_FALSE(parking::DisplayController::isFeatureEnabled());
    store.set("virtualDisplayPark", true);
    EXPECT_TRUE(parking::DisplayController::isFeatureEnabled());

    // Values a Boolean reading would take as "off" are not Booleans: they count as unset.
    for (const auto& other : {nlohmann::json("NO"), nlohmann::json(0), nlohmann::json(nullptr)}) {
        store.set("virtualDisplayPark", other);
        EXPECT_TRUE(parking::DisplayController::isFeatureEnabled()) << other.dump();
    }
}

TEST_F(ParkingFeatureSwitchTest, WithoutVirtualDisplaysParkingIsOffWhateverTheSetting)
{
    desktop().virtualDisplays = std::make_shared<NoVirtualDisplays>();
    EXPECT_FALSE(VDAvailable());
    EXPECT_FALSE(parking::DisplayController::isFeatureEnabled());
    defaults::Defaults::standard().set("virtualDisplayPark", true);
    EXPECT_FALSE(parking::DisplayController::isFeatureEnabled());
}

}  // namespace
