#include "panels/pin/LearnedMinSizes.h"

#include "platform/defaults/Defaults.h"
#include "platform/defaults/SettingsTable.h"
#include "support/DiagLines.h"

#include <gtest/gtest.h>

namespace {

class LearnedMinSizesTest : public testsupport::DiagTest {
protected:
    void SetUp() override
    {
        testsupport::DiagTest::SetUp();
        pin::LearnedMinSizes::resetForLaunch();
    }
    defaults::Defaults& store() { return defaults::Defaults::standard(); }
    std::optional<nlohmann::json> stored() { return defaults::setting::takeoverLearnedMinSizes.stored(); }
    core::Size learned(const std::string& bundleID) { return pin::LearnedMinSizes::cache().at(bundleID); }
};

}  // namespace

TEST_F(LearnedMinSizesTest, LearnsGrowsAndNeverShrinks)
{
    pin::LearnedMinSizes::noteClampedSize("com.example.a", {800, 600}, {900, 700});
    EXPECT_EQ(learned("com.example.a"), (core::Size{900, 700}));
    EXPECT_EQ(stored(), nlohmann::json({{"com.example.a", "900x700"}}));

    pin::LearnedMinSizes::noteClampedSize("com.example.a", {800, 600}, {850, 750});
    EXPECT_EQ(learned("com.example.a"), (core::Size{900, 750}));

    pin::LearnedMinSizes::noteClampedSize("com.example.a", {800, 600}, {880, 740});    // nothing grows
    pin::LearnedMinSizes::noteClampedSize("com.example.b", {800, 600}, {801, 700.9});  // width within 2 pt
    EXPECT_EQ(learned("com.example.b"), (core::Size{0, 700.9}));
    EXPECT_EQ(stored(), nlohmann::json({{"com.example.a", "900x750"}, {"com.example.b", "0x700"}}));

    pin::LearnedMinSizes::noteClampedSize("com.example.c", {800, 600}, {700, 500});
    pin::LearnedMinSizes::noteClampedSize(std::string(), {800, 600}, {900, 700});
    pin::LearnedMinSizes::noteClampedSize(std::nullopt, {800, 600}, {900, 700});
    EXPECT_EQ(pin::LearnedMinSizes::cache().size(), 2u);

    EXPECT_EQ(linesWith("最小尺寸学习: "),
              (std::vector<std::string>{"最小尺寸学习: com.example.a → 900x700", "最小尺寸学习: com.example.a → 900x750",
                                        "最小尺寸学习: com.example.b → 0x700"}));
}

TEST_F(LearnedMinSizesTest, LoadsOnlyWellFormedFiniteEntries)
{
    store().set("takeoverLearnedMinSizes", {{"double", "800xx600"},
                                            {"trailing", "800x"},
                                            {"text", "abc"},
                                            {"spoken", "x640xwidex480"},
                                            {"infinite", "infx600"},
                                            {"nan", "800xnan"},
                                            {"negative", "-800x600"},
                                            {"huge", "1e400x600"}});
    const auto& sizes = pin::LearnedMinSizes::cache();
    EXPECT_EQ(sizes, (std::map<std::string, core::Size>{{"double", {800, 600}}, {"spoken", {640, 480}}}));
}

TEST_F(LearnedMinSizesTest, NonStringValueLoadsEmptyAndIsRewritten)
{
    store().set("takeoverLearnedMinSizes", {{"a", "900x700"}, {"b", 3}});
    EXPECT_TRUE(pin::LearnedMinSizes::cache().empty());
    pin::LearnedMinSizes::noteClampedSize("c", {100, 100}, {200, 100});
    EXPECT_EQ(stored(), nlohmann::json({{"c", "200x0"}}));
}

TEST_F(LearnedMinSizesTest, ResetAtLaunchForgetsTheStoreAndTheCache)
{
    pin::LearnedMinSizes::noteClampedSize("com.example.a", {800, 600}, {900, 700});
    pin::LearnedMinSizes::resetForLaunch();
    EXPECT_FALSE(defaults::setting::takeoverLearnedMinSizes.isStored());
    EXPECT_TRUE(pin::LearnedMinSizes::cache().empty());
    EXPECT_EQ(linesWith("已清空最小尺寸学习缓存").size(), 2u);
}
