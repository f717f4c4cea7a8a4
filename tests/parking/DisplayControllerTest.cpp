#include "parking/display/DisplayController.h"
#include "parking/ledger/VDLog.h"
#include "platform/sim/SimWorld.h"
#include "support/SimDesktopTest.h"

#include <gmock/gmock.h>

#include <string>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DisplayControllerTest : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        SimDesktopTest::SetUp();
        VDLog::sink = [this](const std::string& line) { lines_.push_back(line); };
    }
    void TearDown() override
    {
        VDLog::sink = [](const std::string&) {};
        SimDesktopTest::TearDown();
    }

    const std::vector<std::string>& lines() const { return lines_; }
    std::vector<std::string> linesWith(const std::string& fragment) const
    {
        std::vector<std::string> found;
        for (const auto& line : lines_)
            if (line.find(fragment) != std::string::npos) found.push_back(line);
        return found;
    }

    void addRealDisplay(desktop::DisplayID id, const core::Rect& frame)
    {
        desktop::DisplayInfo display;
        display.id = id;
        display.frame = frame;
        display.visibleFrame = frame;
        display.scale = 1;
        display.mode = {frame.width(), frame.height(), static_cast<int>(frame.width()),
                        static_cast<int>(frame.height()), 60};
        display.physicalSizeMM = {600, 340};
        world().addDisplay(display);
    }

    std::vector<std::string> lines_;
};

TEST_F(DisplayControllerTest, MakesOneDisplayPerSourceAndReusesIt)
{
    parking::DisplayController controller;
    const auto id = controller.ensureDisplay(1);
    ASSERT_TRUE(id);
    EXPECT_TRUE(controller.isVirtual(*id));
    EXPECT_FALSE(controller.isVirtual(1));
    EXPECT_THAT(controller.liveDisplayIDs(), ElementsAre(*id));
    EXPECT_TRUE(controller.hasLiveOrZombie());

    const auto display = desktop().displays->display(*id);
    ASSERT_TRUE(display);
    EXPECT_EQ(display->name, "Glimra 1552x1022");
    EXPECT_EQ(display->frame.origin, (core::Point{1512, 982})) << "beyond the bottom-right corner";
    EXPECT_THAT(linesWith("已就绪"),
                ElementsAre("[VD] 已就绪 虚拟屏 #" + std::to_string(*id) +
                            " = 1552x1022点 3104x2044像素 2x 60Hz (源 #1) 原点=1512,982（建屏前活动屏 [1]）"));
    EXPECT_EQ(controller.ensureDisplay(1), id);
    EXPECT_EQ(journalOf("virtualDisplay.create").size(), 1u);

    controller.terminateAll();
    EXPECT_FALSE(controller.isVirtual(*id));
    EXPECT_FALSE(controller.ensureDisplay(1)) << "nothing is made after quit";
    EXPECT_EQ(journalOf("virtualDisplay.create").size(), 1u);
}

}  // namespace
