#include "settings/GuideWindowFixture.h"

#include "foundation/EventBridge.h"

#include <QLabel>
#include <QPushButton>

#include <memory>

namespace {

// Counts the shareable-content questions on the way to the simulated capture.
class CountingCapture : public desktop::Capture {
public:
    explicit CountingCapture(std::shared_ptr<desktop::Capture> inner) : inner_(std::move(inner)) {}

    void shareableContent(
        bool excludingDesktopWindows, bool onScreenWindowsOnly,
        std::function<void(std::optional<desktop::ShareableContent>, std::optional<desktop::Error>)> completion) override
    {
        if (!excludingDesktopWindows && onScreenWindowsOnly) ++questions;
        inner_->shareableContent(excludingDesktopWindows, onScreenWindowsOnly, std::move(completion));
    }
    std::shared_ptr<desktop::CaptureStream> makeStream(const desktop::ContentFilter& filter,
                                                       const desktop::StreamConfiguration& configuration,
                                                       std::function<void(const desktop::Error&)> onStopped) override
    {
        return inner_->makeStream(filter, configuration, std::move(onStopped));
    }
    void screenshot(const desktop::ContentFilter& filter, const desktop::StreamConfiguration& configuration,
                    std::function<void(desktop::PixelBufferRef, std::optional<desktop::Error>)> completion) override
    {
        inner_->screenshot(filter, configuration, std::move(completion));
    }
    bool coveredWindowsKeepDrawing() override { return inner_->coveredWindowsKeepDrawing(); }
    bool framesShowTheLiveWindow() override { return inner_->framesShowTheLiveWindow(); }

    int questions = 0;

private:
    std::shared_ptr<desktop::Capture> inner_;
};

class PermissionPageTest : public GuideWindowTest {
protected:
    OnboardingWindow& openPermissionPage()
    {
        OnboardingWindow::showPermissionPage();
        return *guideWindow();
    }

    std::vector<std::string> openedAddresses() const
    {
        std::vector<std::string> addresses;
        for (const auto& entry : journalOf("url.open")) addresses.push_back(entry["url"]);
        return addresses;
    }
};

TEST_F(PermissionPageTest, CardsFollowTheGrantsWithinHalfASecond)
{
    OnboardingWindow& window = openPermissionPage();
    auto cards = state(window)["permissions"];
    EXPECT_EQ(cards["accessibility"], (nlohmann::ordered_json{{"status", "未授权"}, {"color", "red"}, {"button", true}}));
    EXPECT_EQ(cards["screenRecording"],
              (nlohmann::ordered_json{{"status", "未授权"}, {"color", "red"}, {"button", true}}));
    EXPECT_EQ(find<QLabel>(window, "axStatusLabel")->text(), "未授权");
    EXPECT_EQ(state(window)["scene"], nullptr);

    grant(true, true);
    clock().advance(0.5);
    cards = state(window)["permissions"];
    EXPECT_EQ(cards["accessibility"],
              (nlohmann::ordered_json{{"status", "已授权"}, {"color", "green"}, {"button", false}}));
    EXPECT_EQ(cards["screenRecording"],
              (nlohmann::ordered_json{{"status", "已授权"}, {"color", "green"}, {"button", false}}));
    EXPECT_FALSE(find<QPushButton>(window, "screenButton")->isEnabled());
    EXPECT_EQ(find<QLabel>(window, "screenStatusLabel")->palette().color(QPalette::WindowText), QColor(40, 199, 80));
}

TEST_F(PermissionPageTest, OnlyAGrantSeenByAnEarlierPollClosesSystemSettings)
{
    grant(true, true);
    runSystemSettings();
    OnboardingWindow& window = openPermissionPage();
    clock().advance(1);
    EXPECT_TRUE(systemSettingsRuns());  // a new window's first poll compares with nothing

    grant(true, false);
    clock().advance(0.5);
    // Granted while the user looks at another step: the first poll back on the page
    // closes System Settings.
    window.goPrev();
    EXPECT_FALSE(window.permissionPollRunning());
    EXPECT_EQ(state(window)["permissions"], nullptr);
    grant(true, true);
    clock().advance(2);
    EXPECT_TRUE(systemSettingsRuns());
    window.goNext();
    EXPECT_TRUE(window.permissionPollRunning());
    EXPECT_FALSE(systemSettingsRuns());
}

TEST_F(PermissionPageTest, ScreenRecordingAsksTheFirstTimeAndOpensThePaneLaterAlwaysQueryingContent)
{
    auto counting = std::make_shared<CountingCapture>(desktop().capture);
    desktop().capture = counting;
    OnboardingWindow& window = openPermissionPage();

    find<QPushButton>(window, "screenButton")->click();
    clock().runUntilIdle();
    EXPECT_EQ(journalOf("permission.request").size(), 1u);
    EXPECT_EQ(openedAddresses(), std::vector<std::string>{});
    EXPECT_EQ(store().boolean("screenPermissionAsked"), true);
    EXPECT_EQ(counting->questions, 1);

    find<QPushButton>(window, "screenButton")->click();
    clock().runUntilIdle();
    EXPECT_EQ(journalOf("permission.request").size(), 1u);
    EXPECT_EQ(openedAddresses(), std::vector<std::string>{EventBridge::screenRecordingPane});
    EXPECT_EQ(counting->questions, 2);

    // A stored value of another kind counts as never asked; the press replaces it.
    store().set("screenPermissionAsked", nlohmann::json::array({1}));
    find<QPushButton>(window, "screenButton")->click();
    clock().runUntilIdle();
    EXPECT_EQ(journalOf("permission.request").size(), 2u);
    EXPECT_EQ(store().boolean("screenPermissionAsked"), true);
    EXPECT_EQ(counting->questions, 3);
}

TEST_F(PermissionPageTest, AccessibilityOpensItsPaneWithoutTheSystemPrompt)
{
    OnboardingWindow& window = openPermissionPage();
    find<QPushButton>(window, "axButton")->click();
    clock().advance(5);
    EXPECT_EQ(openedAddresses(), std::vector<std::string>{EventBridge::accessibilityPane});
    EXPECT_EQ(journalOf("ax.prompt").size(), 0u);
}

TEST_F(PermissionPageTest, NoPollOutlivesThePageTheCloseOrTheWindow)
{
    OnboardingWindow& window = openPermissionPage();
    EXPECT_TRUE(window.permissionPollRunning());
    window.goPrev();
    EXPECT_FALSE(window.permissionPollRunning());
    EXPECT_EQ(find<QWidget>(window, "permissionPage"), nullptr);
    window.goNext();
    window.close();
    EXPECT_FALSE(window.permissionPollRunning());
    deleteClosedWindows();

    // Destroyed without a close: nothing of it runs afterwards.
    store().set("onboardingStep", 5);
    auto unclosed = std::make_unique<OnboardingWindow>();
    EXPECT_TRUE(unclosed->permissionPollRunning());
    unclosed.reset();
    runSystemSettings();
    grant(true, true);
    clock().advance(2);
    EXPECT_TRUE(systemSettingsRuns());
    clock().runUntilIdle();
    EXPECT_EQ(clock().pendingCount(), 0u);
}

}  // namespace
