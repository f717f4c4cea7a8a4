#include "settings/SettingsTabFixture.h"

#include "platform/ui/Switch.h"
#include "settings/TriggerThemePreviewView.h"

#include <QImage>

namespace {

constexpr int themeTab = 3;

}  // namespace

class ThemeTabTest : public SettingsTabTest {
protected:
    // A hover trigger with its enabled flag and a record of what the switch asked of it.
    void installTrigger(bool enabled)
    {
        triggerEnabled = enabled;
        SettingsWindow::ShellHooks hooks;
        hooks.hoverTriggerEnabled = [this] { return triggerEnabled; };
        hooks.setHoverTriggerEnabled = [this](bool on) { triggerEnabled = on; };
        hooks.startHoverTrigger = [this] { calls.push_back("start"); };
        hooks.stopHoverTrigger = [this] { calls.push_back("stop"); };
        SettingsWindow::setShellHooks(hooks);
    }

    bool triggerEnabled = true;
    std::vector<std::string> calls;
};

TEST_F(ThemeTabTest, SwitchStopsAndStartsTheTriggerWithItsLines)
{
    installTrigger(true);
    open(themeTab);
    auto* disabled = find<ui::Switch>("triggerDisabledSwitch");
    ASSERT_TRUE(disabled);
    EXPECT_FALSE(disabled->isChecked());

    disabled->click();
    EXPECT_EQ(store().object("hoverTriggerDisabled"), nlohmann::json(true));
    EXPECT_FALSE(triggerEnabled);
    disabled->click();
    EXPECT_EQ(store().object("hoverTriggerDisabled"), nlohmann::json(false));
    EXPECT_TRUE(triggerEnabled);
    EXPECT_EQ(calls, (std::vector<std::string>{"stop", "start"}));
    EXPECT_EQ(linesWith("触发块: "),
              (std::vector<std::string>{"触发块: 已被设置关闭 ⇒ 停止感应", "触发块: 设置里关闭了触发块",
                                        "触发块: 已被设置重新开启 ⇒ 启动感应", "触发块: 设置里重新开启了触发块"}));
}

// The flag already agrees (the key was changed elsewhere): only the last line.
TEST_F(ThemeTabTest, SwitchAgreeingWithTheTriggerOnlyWritesAndLogs)
{
    store().set("hoverTriggerDisabled", "yes");
    installTrigger(true);
    open(themeTab);
    auto* disabled = find<ui::Switch>("triggerDisabledSwitch");
    EXPECT_TRUE(disabled->isChecked());
    disabled->click();
    EXPECT_TRUE(calls.empty());
    EXPECT_EQ(linesWith("触发块: "), std::vector<std::string>{"触发块: 设置里重新开启了触发块"});

    SettingsWindow::setShellHooks({});  // no shell: the key and the line all the same
    disabled->click();
    EXPECT_EQ(store().object("hoverTriggerDisabled"), nlohmann::json(true));
    EXPECT_EQ(linesWith("触发块: 设置里").size(), 2u);
}

TEST_F(ThemeTabTest, ThemeOutOfRangeShowsGradientAndAChoiceRedrawsTheSwatch)
{
    store().set("hoverTriggerTheme", 7);
    open(themeTab);
    auto* popup = find<QComboBox>("themePopup");
    auto* swatch = find<TriggerThemePreviewView>("themePreview");
    ASSERT_TRUE(popup && swatch);
    EXPECT_EQ(popup->currentIndex(), 2);
    EXPECT_EQ(swatch->theme, app::HoverTriggerTheme::gradient);
    EXPECT_EQ(swatch->width(), 54);
    EXPECT_EQ(swatch->x(), popup->width() + 24);

    choose(*popup, 1);
    EXPECT_EQ(store().object("hoverTriggerTheme"), nlohmann::json(1));
    EXPECT_EQ(swatch->theme, app::HoverTriggerTheme::teal);

    // Teal from top to bottom, its green glyph near the top-right corner.
    const QImage picture = swatch->grab().toImage();
    EXPECT_GT(picture.pixelColor(10, 4).green(), picture.pixelColor(10, 31).green() + 30);
    const QColor glyph = picture.pixelColor(41, 12);
    EXPECT_NEAR(glyph.red(), 71, 2);
    EXPECT_NEAR(glyph.green(), 224, 2);
    EXPECT_NEAR(glyph.blue(), 158, 2);
}
