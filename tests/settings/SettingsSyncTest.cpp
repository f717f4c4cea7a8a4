#include "SettingsWindowTest.h"

#include "platform/ui/Switch.h"
#include "settings/SettingsRow.h"
#include "platform/defaults/SettingKinds.h"

#include <QComboBox>
#include <QLabel>
#include <QSlider>

#include <tuple>

namespace {

std::string text(const char* name)
{
    auto* label = SettingsWindow::shared().findChild<QLabel*>(name);
    return label ? label->text().toStdString() : "(no " + std::string(name) + ")";
}

}  // namespace

TEST_F(SettingsWindowTest, StoredSwitchesReadOneWay)
{
    const auto storedBool = [](const char* key, bool fallback) { return defaults::LooseBool{{key}, fallback}.value(); };
    EXPECT_TRUE(storedBool("k", true)) << "absent";
    for (const auto& [value, on] : std::vector<std::pair<nlohmann::json, bool>>{
             {true, true}, {false, false}, {2.5, true}, {0, false}, {"YES", true}, {"true", true}, {"no", false}, {"1", false}}) {
        store().set("k", value);
        EXPECT_EQ(storedBool("k", !on), on) << value.dump();
    }
    for (const auto& odd : {nlohmann::json::array({1}), nlohmann::json::object(), nlohmann::json()}) {
        store().set("k", odd);
        EXPECT_TRUE(storedBool("k", true)) << odd.dump();
        EXPECT_FALSE(storedBool("k", false)) << odd.dump();
    }
}

TEST_F(SettingsWindowTest, SyncShowsTheStoreAsTheSystemReadsItAndWritesNothing)
{
    store().set("hoverPreviewScale", 9);
    store().set("pipDefaultSizeMultiplier", 9);
    store().set("pipOpacity", 0.456);
    store().set("hoverPreviewDelay", "soon");
    store().set("hoverPreviewEnabled", "no");
    store().set("pipDoubleClickOpensOriginal", 1);
    store().set("pipWindowCorner", 2);
    store().set("pipDefaultScreen", 5);
    const auto before = store().snapshot();

    window().showSettings(0);
    EXPECT_EQ(control<QSlider>("scaleSlider")->value(), 4000);
    EXPECT_EQ(text("scaleValue"), "4.0×");
    EXPECT_EQ(control<QSlider>("sizeSlider")->value(), 4000);
    EXPECT_EQ(text("sizeValue"), "4.0×") << "beyond the clamp it shows what the mini windows use";
    EXPECT_EQ(control<QSlider>("opacitySlider")->value(), 456);
    EXPECT_EQ(text("opacityValue"), "46%");
    EXPECT_EQ(control<QSlider>("hoverDelaySlider")->value(), 500) << "a text is no delay";
    EXPECT_EQ(text("hoverDelayValue"), "0.5s");
    auto* delayRow = control<SettingsRowView>("hoverDelayRow");
    ASSERT_TRUE(delayRow && delayRow->titleLabel);
    EXPECT_EQ(delayRow->titleLabel->text(), "鼠标悬停 0.5 秒后出现预览");
    EXPECT_FALSE(control<ui::Switch>("previewSwitch")->isChecked());
    EXPECT_TRUE(control<ui::Switch>("doubleClickSwitch")->isChecked());
    EXPECT_EQ(control<QComboBox>("windowCornerPopup")->currentIndex(), 2);

    window().showSettings(2);
    EXPECT_EQ(control<QComboBox>("screenPopup")->currentIndex(), 1) << "an unknown screen choice reads as the source's";
    EXPECT_TRUE(control<ui::Switch>("menuThumbsSwitch")->isChecked());
    for (int tab : {1, 3, 4, 5}) window().showSettings(tab);
    EXPECT_EQ(store().snapshot(), before) << "building and syncing write nothing";
}

TEST_F(SettingsWindowTest, SyncFallsBackToTheDefaults)
{
    store().set("pipOpacity", "opaque");
    store().set("pipDefaultScreen", 0);
    window().showSettings(0);
    EXPECT_EQ(text("scaleValue"), "3.0×");
    EXPECT_EQ(text("sizeValue"), "1.2×");
    EXPECT_EQ(text("opacityValue"), "100%");
    EXPECT_EQ(text("hoverDelayValue"), "0.5s");
    EXPECT_TRUE(control<ui::Switch>("previewSwitch")->isChecked());
    EXPECT_FALSE(control<ui::Switch>("doubleClickSwitch")->isChecked());
    EXPECT_EQ(control<QComboBox>("windowCornerPopup")->currentIndex(), 0);
    window().showSettings(2);
    EXPECT_EQ(control<QComboBox>("screenPopup")->currentIndex(), 0);
}

TEST_F(SettingsWindowTest, NumbersTakeTheInterfaceLanguagesDecimalSeparator)
{
    store().set("hoverPreviewDelay", 0.3);
    for (const auto& [language, delayTitle, defaultSize] : std::vector<std::tuple<int, std::string, std::string>>{
             {6, "Vorschau nach 0,3 s Verweilen zeigen", "Standard 1,2×"},
             {5, "Afficher l'aperçu après 0,3 s de survol", "par défaut 1,2×"}}) {
        store().set("appLanguage", language);
        window().showSettings(0);
        EXPECT_EQ(text("sizeValue"), "1,2×");
        EXPECT_EQ(text("scaleValue"), "3,0×");
        EXPECT_EQ(text("hoverDelayValue"), "0,3s");
        EXPECT_EQ(control<SettingsRowView>("hoverDelayRow")->titleLabel->text().toStdString(), delayTitle);
        // The descriptions' numbers read as the values beside them.
        EXPECT_NE(control<SettingsRowView>("sizeRow")->subtitleLabel->text().toStdString().find(defaultSize),
                  std::string::npos);
    }
    store().set("appLanguage", 2);
    window().showSettings(0);
    EXPECT_EQ(text("sizeValue"), "1.2×");
    EXPECT_EQ(control<SettingsRowView>("hoverDelayRow")->titleLabel->text().toStdString(),
              "Show Preview After 0.3s of Hovering");
}
