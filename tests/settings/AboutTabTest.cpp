#include "settings/SettingsTabFixture.h"

#include "platform/x11/X11Permissions.h"
#include "settings/AboutVersion.h"
#include "update/AppUpdate.h"

#include <QPushButton>

namespace {

constexpr int aboutTab = 5;

core::AppIdentity identity(std::string version, std::string build)
{
    core::AppIdentity id;
    id.version = std::move(version);
    id.build = std::move(build);
    return id;
}

}  // namespace

class AboutTabTest : public SettingsTabTest {
protected:
    void TearDown() override
    {
        AppUpdate::setAvailable(std::nullopt);
        AppUpdate::setChecking(false);
        SettingsTabTest::TearDown();
    }

    QPushButton* checkButton() const { return find<QPushButton>("checkButton"); }
};

TEST_F(AboutTabTest, VersionLineWithAndWithoutAnOfferAndFallbacks)
{
    EXPECT_EQ(settings::versionRowTitle(std::nullopt), "版本");
    EXPECT_EQ(settings::versionRowTitle(UpdateManifest{"2.1", 7}), "有新版本可用");
    EXPECT_EQ(settings::versionLine(identity("1.4.2", "31"), std::nullopt), "Glimra 1.4.2（build 31）");
    EXPECT_EQ(settings::versionLine(identity("1.4.2", "31"), UpdateManifest{"2.1", 40}),
              "Glimra 1.4.2（build 31）→ 可更新到 2.1");
    EXPECT_EQ(settings::versionLine(identity("", ""), std::nullopt), "Glimra 1.0（build 0）");
}

TEST_F(AboutTabTest, VersionRowFollowsTheOffer)
{
    open(aboutTab);
    EXPECT_EQ(rowTitle("versionRow"), "版本");
    AppUpdate::setAvailable(UpdateManifest{"9.9", 99});
    open(aboutTab);
    EXPECT_EQ(rowTitle("versionRow"), "有新版本可用");
    const auto* row = find<SettingsRowView>("versionRow");
    ASSERT_TRUE(row && row->subtitleLabel);
    EXPECT_NE(row->subtitleLabel->text().toStdString().find("→ 可更新到 9.9"), std::string::npos);
}

// A manifest's version is whatever the server sent: it shows as written, and so does
// every other text of the window.
TEST_F(AboutTabTest, AnOfferedVersionShowsAsWritten)
{
    const std::string markup = "<img src=\"/dev/null\"><b>9.9</b>";
    AppUpdate::setAvailable(UpdateManifest{markup, 99});
    open(aboutTab);
    const auto* row = find<SettingsRowView>("versionRow");
    ASSERT_TRUE(row && row->subtitleLabel);
    EXPECT_EQ(row->subtitleLabel->textFormat(), Qt::PlainText);
    EXPECT_NE(row->subtitleLabel->text().toStdString().find("→ 可更新到 " + markup), std::string::npos);
    for (const auto* label : SettingsWindow::existing()->findChildren<QLabel*>()) {
        if (!label->text().isEmpty()) {
            EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
        }
    }
}

// The button clicked during another caller's check starts no second one and comes back
// when that check ends.
TEST_F(AboutTabTest, CheckButtonFollowsAnotherCallersCheck)
{
    open(aboutTab);
    AppUpdate::setChecking(true);  // the status menu's check
    clock().runUntilIdle();
    ASSERT_TRUE(checkButton());
    checkButton()->setEnabled(true);
    checkButton()->click();
    clock().runUntilIdle();
    EXPECT_FALSE(checkButton()->isEnabled());
    EXPECT_TRUE(AppUpdate::isChecking());

    AppUpdate::setChecking(false);
    clock().runUntilIdle();
    EXPECT_TRUE(checkButton()->isEnabled());
}

// The check's own state changes rebuild the tab from under the clicked button.
TEST_F(AboutTabTest, OwnCheckRebuildsTheTabAndEnablesTheButtonAtTheEnd)
{
    open(aboutTab);
    QPointer<QPushButton> clicked = checkButton();
    ASSERT_TRUE(clicked);
    clicked->click();
    EXPECT_TRUE(AppUpdate::isChecking());
    EXPECT_FALSE(checkButton()->isEnabled());
    clock().runUntilIdle();
    EXPECT_FALSE(AppUpdate::isChecking());
    ASSERT_TRUE(checkButton());
    EXPECT_TRUE(checkButton()->isEnabled());
    EXPECT_NE(checkButton(), clicked.data());
}

TEST_F(AboutTabTest, ReplayForgetsTheGuideAndClosesTheWindow)
{
    store().set("onboardingCompleted", true);
    SettingsWindow& window = open(aboutTab);
    find<QPushButton>("replayButton")->click();
    clock().runUntilIdle();
    EXPECT_FALSE(store().contains("onboardingCompleted"));
    EXPECT_FALSE(window.isOpen());
    EXPECT_FALSE(window.isVisible());
}

TEST_F(AboutTabTest, WebsiteLinkShowsAndOpensTheSameAddress)
{
    open(aboutTab);
    auto* link = find<QPushButton>("websiteLink");
    ASSERT_TRUE(link);
    link->click();
    const auto opened = journalOf("url.open");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].value("url", ""), link->text().toStdString());
    EXPECT_EQ(link->text().toStdString().rfind("https://", 0), 0u);
}

// A desktop without grants (X11) asks for no permission, so the tab says nothing of prompts.
TEST_F(AboutTabTest, FootnoteOnPromptsOnlyWhereTheDesktopHasGrants)
{
    open(aboutTab);
    EXPECT_EQ(text("footnote"), "屏幕录制与辅助功能权限在首次使用时由系统弹窗申请。");
    desktop().permissions = std::make_shared<x11::X11Permissions>();
    open(aboutTab);
    EXPECT_EQ(find<QLabel>("footnote"), nullptr);
}
