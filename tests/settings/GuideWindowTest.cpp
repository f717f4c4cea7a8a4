#include "settings/GuideWindowFixture.h"

#include "platform/x11/X11Permissions.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include <memory>

namespace {

using Policy = desktop::ActivationPolicy;

TEST_F(GuideWindowTest, OpensOnTheStoredStepAndWritesItAtOnce)
{
    struct Case {
        nlohmann::json stored;  // null: absent
        int index;
    };
    const Case cases[] = {{nullptr, 0}, {3, 3}, {9, 5}, {nlohmann::json::array({1}), 0}};
    for (const auto& c : cases) {
        if (c.stored.is_null())
            store().remove("onboardingStep");
        else
            store().set("onboardingStep", c.stored);
        const auto window = std::make_unique<OnboardingWindow>();
        EXPECT_EQ(window->index(), c.index) << c.stored;
        EXPECT_EQ(store().integer("onboardingStep"), c.index) << c.stored;
        const auto shown = state(*window);
        EXPECT_EQ(shown["counter"], std::to_string(c.index + 1) + " / 6");
        EXPECT_EQ(shown["back"], c.index > 0);
        EXPECT_EQ(shown["next"], c.index == 5 ? "开始使用" : "下一步");
        EXPECT_EQ(shown["currentDot"], c.index);
    }
}

TEST_F(GuideWindowTest, BackAndNextMoveAndReturnPressesNextWhereverTheFocusIs)
{
    OnboardingWindow window;
    window.goPrev();
    EXPECT_EQ(window.index(), 0);
    find<QPushButton>(window, "nextButton")->click();
    EXPECT_EQ(window.index(), 1);
    EXPECT_EQ(state(window)["title"], "② 快速预览");
    EXPECT_EQ(store().integer("onboardingStep"), 1);

    pressReturn(*find<QCheckBox>(window, "dontShowSwitch"));
    EXPECT_EQ(window.index(), 2);
    pressReturn(*find<QPushButton>(window, "prevButton"));
    EXPECT_EQ(window.index(), 3);
    pressReturn(window);
    EXPECT_EQ(window.index(), 4);
    find<QPushButton>(window, "prevButton")->click();
    EXPECT_EQ(window.index(), 3);
    EXPECT_EQ(state(window)["counter"], "4 / 6");
    EXPECT_EQ(store().integer("onboardingStep"), 3);
}

TEST_F(GuideWindowTest, DescriptionsShowThePictureAndTheEmphasis)
{
    OnboardingWindow window;
    const auto stepOne = state(window)["description"];
    ASSERT_EQ(stepOne.size(), 5u);
    EXPECT_EQ(stepOne[0]["text"], "鼠标移到窗口右上角停留约 1 秒，会出现一个");
    EXPECT_EQ(stepOne[1], (nlohmann::ordered_json{{"image", "trigger"}}));
    EXPECT_EQ(stepOne[3], (nlohmann::ordered_json{{"text", "⌘+⌥+P"}, {"style", "boldBlue"}}));
    const QString html = find<QLabel>(window, "stepDescLabel")->text();
    EXPECT_LT(html.indexOf("会出现一个"), html.indexOf("<img"));
    EXPECT_LT(html.indexOf("<img"), html.indexOf("触发块"));

    const QImage picture = OnboardingWindow::triggerBlockImage();
    EXPECT_EQ(picture.deviceIndependentSize(), QSizeF(38, 25));
    // The glyph is white on the block; the corner outside the rounding is clear.
    EXPECT_GE(picture.pixelColor(28 * 2 + 1, 9 * 2).red(), 240);
    EXPECT_EQ(picture.pixelColor(0, 0).alpha(), 0);

    for (int i = 0; i < 3; ++i) window.goNext();
    const auto stepFour = state(window)["description"];
    ASSERT_EQ(stepFour.size(), 8u);
    EXPECT_EQ(stepFour[1], (nlohmann::ordered_json{{"text", "双击小窗。"}, {"style", "blue"}}));
    EXPECT_EQ(stepFour[3], (nlohmann::ordered_json{{"text", "小窗不消失。"}, {"style", "bold"}}));
}

TEST_F(GuideWindowTest, FinishingUntickedForgetsTheStepAndTheWindowGoesOnALaterTurn)
{
    store().set("onboardingStep", 5);
    OnboardingWindow::showPermissionPage();
    QPointer<OnboardingWindow> window = guideWindow();
    ASSERT_TRUE(window);
    EXPECT_EQ(world().activationPolicy(), Policy::regular);
    find<QPushButton>(*window, "nextButton")->click();
    EXPECT_EQ(guideWindow(), nullptr);
    ASSERT_TRUE(window);  // not inside its own button's handler
    EXPECT_FALSE(window->isVisible());
    EXPECT_FALSE(window->permissionPollRunning());
    EXPECT_FALSE(store().contains("onboardingStep"));
    EXPECT_FALSE(store().contains("onboardingCompleted"));
    EXPECT_EQ(world().activationPolicy(), Policy::accessory);
    deleteClosedWindows();
    EXPECT_FALSE(window);
}

TEST_F(GuideWindowTest, ClosingKeepsTheStepUnlessTheBoxIsTicked)
{
    store().set("onboardingStep", 3);
    OnboardingWindow::showIfNeeded();
    guideWindow()->close();
    EXPECT_EQ(store().integer("onboardingStep"), 3);
    EXPECT_FALSE(store().contains("onboardingCompleted"));
    deleteClosedWindows();

    OnboardingWindow::showIfNeeded();
    ASSERT_NE(guideWindow(), nullptr);
    EXPECT_EQ(guideWindow()->index(), 3);
    find<QCheckBox>(*guideWindow(), "dontShowSwitch")->setChecked(true);
    guideWindow()->close();
    EXPECT_FALSE(store().contains("onboardingStep"));
    EXPECT_EQ(store().boolean("onboardingCompleted"), true);

    // A finished guide shows again while screen recording is refused: from the start.
    deleteClosedWindows();
    OnboardingWindow::showIfNeeded();
    ASSERT_NE(guideWindow(), nullptr);
    EXPECT_EQ(guideWindow()->index(), 0);
}

TEST_F(GuideWindowTest, EntryPointsDecideCreateOnceAndReuseTheOpenGuide)
{
    grant(true, false);
    store().set("onboardingCompleted", true);
    OnboardingWindow::showIfNeeded();
    EXPECT_EQ(guideWindow(), nullptr);
    EXPECT_EQ(world().activationPolicy(), Policy::accessory);

    // Any other stored value counts as not finished; the next write replaces it.
    store().set("onboardingCompleted", nlohmann::json::array({true}));
    OnboardingWindow::showIfNeeded();
    OnboardingWindow* first = guideWindow();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(world().activationPolicy(), Policy::regular);

    first->goNext();
    OnboardingWindow::showIfNeeded();
    EXPECT_EQ(guideWindow(), first);
    EXPECT_EQ(first->index(), 1);
    OnboardingWindow::showPermissionPage();
    EXPECT_EQ(guideWindow(), first);
    EXPECT_EQ(first->index(), 5);
    EXPECT_EQ(store().integer("onboardingStep"), 5);

    find<QCheckBox>(*first, "dontShowSwitch")->setChecked(true);
    first->close();
    EXPECT_EQ(store().boolean("onboardingCompleted"), true);
    deleteClosedWindows();

    // Several guides in one process: the one provider answers for whichever is open.
    for (int round = 0; round < 3; ++round) {
        OnboardingWindow::showPermissionPage();
        EXPECT_EQ(world().activationPolicy(), Policy::regular) << round;
        guideWindow()->close();
        deleteClosedWindows();
        EXPECT_EQ(world().activationPolicy(), Policy::accessory) << round;
    }
}

// A desktop without grants (X11) has nothing for a permission page to ask: the five scenes
// are the whole guide, and Next on the fifth finishes it as on the page.
TEST_F(GuideWindowTest, WithoutGrantsTheFiveScenesAreTheWholeGuide)
{
    desktop().permissions = std::make_shared<x11::X11Permissions>();
    const auto dots = [](OnboardingWindow& window) {
        std::vector<int> xs;
        for (const QWidget* dot : find<QWidget>(window, "dotsHost")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            xs.push_back(dot->x());
        return xs;
    };

    {
        OnboardingWindow window;
        EXPECT_EQ(state(window)["counter"], "1 / 5");
        EXPECT_EQ(dots(window), (std::vector<int>{334, 350, 366, 382, 398}));
        for (int step = 1; step < 5; ++step) window.goNext();
        const auto last = state(window);
        EXPECT_EQ(last["counter"], "5 / 5");
        EXPECT_EQ(last["title"], "⑤ 调整小窗大小的2种方式");
        EXPECT_EQ(last["next"], "开始使用");
        EXPECT_EQ(last["permissions"], nullptr);
        EXPECT_NE(last["scene"], nullptr);
        EXPECT_EQ(last["currentDot"], 4);
    }

    // A guide left on the permission page, or beyond, resumes on the fifth step.
    for (const int stored : {5, 6}) {
        store().set("onboardingStep", stored);
        OnboardingWindow window;
        EXPECT_EQ(window.index(), 4) << stored;
        EXPECT_EQ(store().integer("onboardingStep"), 4) << stored;
    }

    // The status menu's permission command shows the last step there is.
    OnboardingWindow::showPermissionPage();
    ASSERT_NE(guideWindow(), nullptr);
    EXPECT_EQ(guideWindow()->index(), 4);
    find<QPushButton>(*guideWindow(), "nextButton")->click();
    EXPECT_EQ(guideWindow(), nullptr);
    EXPECT_FALSE(store().contains("onboardingStep"));
    EXPECT_FALSE(store().contains("onboardingCompleted"));
    EXPECT_EQ(world().activationPolicy(), Policy::accessory);
    deleteClosedWindows();

    store().set("onboardingStep", 4);
    OnboardingWindow::showIfNeeded();
    ASSERT_NE(guideWindow(), nullptr);
    find<QCheckBox>(*guideWindow(), "dontShowSwitch")->setChecked(true);
    pressReturn(*guideWindow());
    EXPECT_EQ(guideWindow(), nullptr);
    EXPECT_FALSE(store().contains("onboardingStep"));
    EXPECT_EQ(store().boolean("onboardingCompleted"), true);
    // Finished, and nothing left to grant: it stays away.
    deleteClosedWindows();
    OnboardingWindow::showIfNeeded();
    EXPECT_EQ(guideWindow(), nullptr);
}

TEST_F(GuideWindowTest, EveryLanguageKeepsTheMarkupOfEveryStep)
{
    for (int language = 1; language <= 8; ++language) {
        store().set("appLanguage", language);
        store().set("onboardingStep", 0);
        OnboardingWindow window;
        std::vector<std::string> emphasis;
        int pictures = 0;
        for (int step = 0; step < 6; ++step) {
            const auto shown = state(window);
            for (const auto& run : shown["description"]) {
                if (run.contains("image")) {
                    ++pictures;
                    continue;
                }
                const std::string text = run["text"];
                for (const char* mark : {"{{", "}}", "[[", "]]"})
                    EXPECT_EQ(text.find(mark), std::string::npos) << language << " " << step << " " << text;
                if (run["style"] != "plain") emphasis.push_back(std::to_string(step) + run["style"].get<std::string>());
            }
            window.goNext();
        }
        EXPECT_EQ(pictures, 1) << language;
        const std::vector<std::string> expected{"0boldBlue", "3blue", "3bold", "3blue", "3bold",
                                                "4blue",     "4bold", "4blue", "4bold"};
        EXPECT_EQ(emphasis, expected) << language;
    }
    EXPECT_EQ(linesWith("L10n 缺翻译"), std::vector<std::string>{});
}

}  // namespace
