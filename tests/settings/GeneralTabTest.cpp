#include "settings/SettingsTabFixture.h"

#include "capture/MirrorView.h"
#include "panels/views/BarButton.h"
#include "panels/views/TopBarView.h"
#include "platform/sim/SimLoginItem.h"
#include "platform/ui/Switch.h"

#include <QSlider>

namespace {

constexpr int generalTab = 0;

// A copy run from its build folder: it can never be a login item.
class RefusingLoginItem : public desktop::LoginItem {
public:
    Status status() override { return Status::notRegistered; }
    std::optional<std::string> registrationRefusal() override { return refusal; }
    std::optional<desktop::Error> registerItem() override { return desktop::Error{"test", 0, refusal, refusal}; }
    std::optional<desktop::Error> unregisterItem() override { return std::nullopt; }

private:
    const std::string refusal = "This copy runs from its build folder";
};

}  // namespace

// Each slider step snaps, moves the knob, stores a number, relabels and applies at once.
TEST_F(SettingsTabTest, SlidersSnapStoreRelabelAndApplyEachStep)
{
    PipPanel* panel = makePanel();
    open(generalTab);
    auto* opacity = find<QSlider>("opacitySlider");
    auto* size = find<QSlider>("sizeSlider");
    auto* delay = find<QSlider>("hoverDelaySlider");
    auto* scale = find<QSlider>("scaleSlider");
    ASSERT_TRUE(opacity && size && delay && scale);

    opacity->setValue(370);
    EXPECT_EQ(opacity->value(), 350);
    EXPECT_TRUE(store().object("pipOpacity")->is_number_float());
    EXPECT_DOUBLE_EQ(*store().number("pipOpacity"), 0.35);
    EXPECT_EQ(text("opacityValue"), "35%");
    EXPECT_EQ(panel->content->topBar().opacityButton->text().toStdString(), "35%");
    EXPECT_DOUBLE_EQ(views::viewAlpha(panel->content->mirrorView()), 0.35);
    // The next step of the same drag reaches the panel too.
    opacity->setValue(620);
    EXPECT_EQ(text("opacityValue"), "60%");
    EXPECT_DOUBLE_EQ(views::viewAlpha(panel->content->mirrorView()), 0.6);

    size->setValue(1260);
    EXPECT_EQ(size->value(), 1300);
    EXPECT_DOUBLE_EQ(*store().number("pipDefaultSizeMultiplier"), 1.3);
    EXPECT_EQ(text("sizeValue"), "1.3×");
    EXPECT_EQ(panel->content->topBar().sizeButton->text().toStdString(), "1.3×");

    delay->setValue(460);
    EXPECT_EQ(delay->value(), 500);
    EXPECT_DOUBLE_EQ(*store().number("hoverPreviewDelay"), 0.5);
    EXPECT_EQ(text("hoverDelayValue"), "0.5s");
    EXPECT_EQ(rowTitle("hoverDelayRow"), "鼠标悬停 0.5 秒后出现预览");
    delay->setValue(140);
    EXPECT_EQ(rowTitle("hoverDelayRow"), "鼠标悬停 0.1 秒后出现预览");

    scale->setValue(2960);
    EXPECT_DOUBLE_EQ(*store().number("hoverPreviewScale"), 3.0);
    EXPECT_EQ(text("scaleValue"), "3.0×");
}

TEST_F(SettingsTabTest, SwitchesAndCornerWriteTypedValues)
{
    open(generalTab);
    auto* doubleClick = find<ui::Switch>("doubleClickSwitch");
    auto* preview = find<ui::Switch>("previewSwitch");
    auto* corner = find<QComboBox>("windowCornerPopup");
    ASSERT_TRUE(doubleClick && preview && corner);

    doubleClick->click();
    EXPECT_EQ(store().object("pipDoubleClickOpensOriginal"), nlohmann::json(true));
    preview->click();
    EXPECT_EQ(store().object("hoverPreviewEnabled"), nlohmann::json(preview->isChecked()));

    PipPanel* panel = makePanel();
    choose(*corner, 3);
    EXPECT_EQ(store().object("pipWindowCorner"), nlohmann::json(3));
    // Re-tiled into the bottom-left corner of the visible frame (margin 16).
    EXPECT_DOUBLE_EQ(panel->frame().minX(), paneltest::visibleFrame.minX() + 16);
    EXPECT_DOUBLE_EQ(panel->frame().minY(), paneltest::visibleFrame.minY() + 16);
    EXPECT_GE(corner->width(), 210);
}

// Every status the system may report: the switch ends showing it, and each failed
// attempt raises one alert.
TEST_F(SettingsTabTest, LoginSwitchFollowsTheSystemAndAlertsPerFailedAttempt)
{
    auto loginItem = std::dynamic_pointer_cast<sim::SimLoginItem>(desktop().loginItem);
    ASSERT_TRUE(loginItem);
    open(generalTab);
    auto* launch = find<ui::Switch>("launchSwitch");
    ASSERT_TRUE(launch);
    using Status = desktop::LoginItem::Status;

    launch->setChecked(false);
    launch->click();  // not registered → enabled
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(loginItem->status(), Status::enabled);

    launch->click();  // enabled → off
    EXPECT_FALSE(launch->isChecked());
    EXPECT_EQ(loginItem->status(), Status::notRegistered);

    loginItem->setRequiresApproval(true);
    launch->click();  // awaiting approval counts as on
    EXPECT_TRUE(launch->isChecked());
    EXPECT_EQ(loginItem->status(), Status::requiresApproval);
    EXPECT_TRUE(alerts->records().empty());

    launch->click();
    loginItem->setNotFound(true);
    launch->click();
    EXPECT_FALSE(launch->isChecked());
    launch->click();
    EXPECT_FALSE(launch->isChecked());
    ASSERT_EQ(alerts->records().size(), 2u);
    EXPECT_EQ(alerts->records()[0].alert.messageText, "无法设置开机启动");
    EXPECT_EQ(alerts->records()[0].alert.style, ui::AlertStyle::warning);
    EXPECT_NE(alerts->records()[0].alert.informativeText.find("登录项"), std::string::npos);
}

// No system setting can make such a copy a login item: the alert says why, in the
// interface language, where it would otherwise send the user to the system's settings.
TEST_F(SettingsTabTest, ACopyThatCanNeverStartAtLoginSaysSoWhenTheSwitchFails)
{
    desktop().loginItem = std::make_shared<RefusingLoginItem>();
    open(generalTab);
    auto* launch = find<ui::Switch>("launchSwitch");
    ASSERT_TRUE(launch);
    launch->setChecked(false);
    launch->click();
    EXPECT_FALSE(launch->isChecked());
    store().set("appLanguage", 2);
    launch->click();
    EXPECT_FALSE(launch->isChecked());

    ASSERT_EQ(alerts->records().size(), 2u);
    EXPECT_EQ(alerts->records()[0].alert.messageText, "无法设置开机启动");
    EXPECT_EQ(alerts->records()[0].alert.informativeText,
              "这个副本是从构建文件夹运行的，不能开机启动；安装后的副本可以开机启动。");
    EXPECT_EQ(alerts->records()[1].alert.messageText, "Couldn't set Launch at Login");
    EXPECT_EQ(alerts->records()[1].alert.informativeText,
              "This copy runs from its build folder, so it can't launch at login. An installed copy can.");
}

TEST_F(SettingsTabTest, GeneralTabShowsTheBuildValuesWithoutWritingAnything)
{
    store().set("hoverPreviewDelay", "soon");
    store().set("pipOpacity", 0.05);
    open(generalTab);
    EXPECT_EQ(text("opacityValue"), "10%");
    EXPECT_EQ(text("hoverDelayValue"), "0.5s");
    EXPECT_EQ(rowTitle("hoverDelayRow"), "鼠标悬停 0.5 秒后出现预览");
    EXPECT_EQ(store().object("hoverPreviewDelay"), nlohmann::json("soon"));
    EXPECT_DOUBLE_EQ(*store().number("pipOpacity"), 0.05);
    for (const char* key : {"pipDefaultSizeMultiplier", "hoverPreviewScale", "pipWindowCorner", "hoverPreviewEnabled",
                            "pipDoubleClickOpensOriginal"})
        EXPECT_FALSE(store().contains(key)) << key;
}
