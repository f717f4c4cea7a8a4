#include "SettingsWindowTest.h"

#include "foundation/AuxWindowActivation.h"
#include "platform/ui/Coordinates.h"
#include "settings/SettingsRow.h"
#include "settings/WindowGeometry.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>
#include <atomic>

namespace {

using desktop::ActivationPolicy;

std::string whole(double value) { return std::to_string(static_cast<long long>(value)); }

// The test display's visible frame is 957 points high.
double expectedHeight(double visible = 957) { return settings::windowHeight(visible, SettingsWindowTest::titleBar()); }

std::atomic<bool> guideVisible{false};

}  // namespace

TEST_F(SettingsWindowTest, OpensOnAValidTabAndRebuildsOnlyWhenNeeded)
{
    auto& settings = window();
    EXPECT_EQ(settings.currentTab(), 0);
    EXPECT_EQ(settings.title(), "通用");
    EXPECT_EQ(settings.height(), expectedHeight());
    EXPECT_EQ(linesWith("设置页[").size(), 1u) << "creation builds the first tab once";

    settings.showSettings(std::nullopt);
    EXPECT_EQ(linesWith("设置页[").size(), 1u) << "same height, no tab: nothing rebuilt";

    settings.showSettings(1);
    EXPECT_EQ(settings.currentTab(), 1);
    EXPECT_EQ(settings.title(), "快捷键");
    EXPECT_TRUE(control<QWidget>("tab1")->property("isSelected").toBool());
    EXPECT_FALSE(control<QWidget>("tab0")->property("isSelected").toBool());
    EXPECT_EQ(linesWith("设置页[").size(), 2u);

    for (int outside : {-1, 6, 9}) {
        settings.showSettings(outside);
        EXPECT_EQ(settings.currentTab(), 1) << outside;
        EXPECT_EQ(settings.title(), "快捷键") << outside;
    }
    EXPECT_EQ(linesWith("设置页[").size(), 2u);
    EXPECT_TRUE(settings.isOpen());
    EXPECT_TRUE(settings.isVisible());
}

TEST_F(SettingsWindowTest, LanguageTabFitsAndIsBuiltOnce)
{
    window().showSettings(4);
    const double h = expectedHeight();
    EXPECT_EQ(linesWith("设置页[语言]"), (std::vector<std::string>{"设置页[语言] 窗口高=" + whole(h) + " 可视高=" +
                                                                   whole(h - 78) + " 文档高=" + whole(h - 78)}));

    auto* content = window().contentArea();
    ASSERT_TRUE(content);
    EXPECT_EQ(content->height(), static_cast<int>(h - 78));
    auto* header = control<QLabel>("headerTitle");
    ASSERT_TRUE(header);
    EXPECT_EQ(header->text(), "语言");
    EXPECT_EQ(ui::viewFrame(header->geometry(), content->height(), false), core::Rect(36, h - 78 - 58, 648, 32));

    auto* row = control<SettingsRowView>("languageRow");
    ASSERT_TRUE(row);
    ASSERT_TRUE(row->titleLabel);
    EXPECT_EQ(row->titleLabel->text(), "显示语言");
    EXPECT_EQ(row->titleLabel->objectName(), ".title");
    auto* popup = control<QComboBox>("languagePopup");
    ASSERT_TRUE(popup);
    EXPECT_EQ(popup->count(), 9);
    EXPECT_EQ(popup->currentIndex(), 1);
    EXPECT_GE(popup->width(), 170);
    EXPECT_EQ(popup->parentWidget(), row) << "the control sits in its row";
    EXPECT_EQ(popup->geometry().right() + 1, 648 - 22);
}

TEST_F(SettingsWindowTest, ChoosingEnglishFromItsOwnPopupRebuildsEverythingInEnglish)
{
    int menuRebuilds = 0;
    bool forced = true;
    SettingsWindow::ShellHooks hooks;
    hooks.rebuildMenu = [&](bool force) {
        ++menuRebuilds;
        forced = force;
    };
    SettingsWindow::setShellHooks(hooks);
    window().showSettings(4);
    QPointer<QComboBox> popup = control<QComboBox>("languagePopup");
    ASSERT_TRUE(popup);

    popup->setCurrentIndex(2);
    emit popup->activated(2);
    deleteDiscardedViews();

    EXPECT_EQ(store().integer("appLanguage"), 2);
    EXPECT_EQ(menuRebuilds, 1);
    EXPECT_FALSE(forced);
    EXPECT_TRUE(popup.isNull()) << "the old pop-up is gone once its own signal has returned";
    EXPECT_EQ(window().title(), "Language");
    EXPECT_EQ(control<QWidget>("tab0")->findChild<QLabel*>(".label")->text(), "General");
    EXPECT_EQ(control<QWidget>("tab4")->findChild<QLabel*>(".label")->text(), "Language");
    EXPECT_TRUE(control<QWidget>("tab4")->property("isSelected").toBool());
    ASSERT_TRUE(control<QComboBox>("languagePopup"));
    EXPECT_EQ(control<QComboBox>("languagePopup")->currentIndex(), 2);
    EXPECT_EQ(control<QComboBox>("languagePopup")->itemText(0), "Automatic");
    EXPECT_EQ(linesWith("设置页[Language]").size(), 1u);
}

TEST_F(SettingsWindowTest, AnUnknownLanguageShowsAutomatic)
{
    store().set("appLanguage", 9);
    window().showSettings(4);
    EXPECT_EQ(control<QComboBox>("languagePopup")->currentIndex(), 0);
    EXPECT_EQ(store().integer("appLanguage"), 9) << "showing it writes nothing";
}

TEST_F(SettingsWindowTest, TheDockIconFollowsTheOpenWindow)
{
    EXPECT_EQ(world().activationPolicy(), ActivationPolicy::accessory);
    window().showSettings(std::nullopt);
    EXPECT_EQ(world().activationPolicy(), ActivationPolicy::regular) << "the first opening shows the icon";

    window().close();
    EXPECT_FALSE(window().isOpen());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(world().activationPolicy(), ActivationPolicy::accessory);
    ASSERT_TRUE(SettingsWindow::existing()) << "closing only hides it";

    window().showSettings(std::nullopt);
    EXPECT_EQ(world().activationPolicy(), ActivationPolicy::regular) << "and so does every reopening";

    // The guide stays open: the icon stays.
    static const bool registered = [] {
        AuxWindowActivation::registerProvider([] { return guideVisible.load(); });
        return true;
    }();
    (void)registered;
    guideVisible = true;
    window().close();
    EXPECT_EQ(world().activationPolicy(), ActivationPolicy::regular);
    guideVisible = false;
}

TEST_F(SettingsWindowTest, MovingToAScreenOfAnotherHeightFitsOnceAndStaysThere)
{
    desktop::DisplayInfo second;
    second.id = 2;
    second.frame = core::Rect(1512, 0, 1280, 800);
    second.visibleFrame = core::Rect(1512, 0, 1280, 760);
    second.name = "Display 2";
    world().addDisplay(second);
    window().showSettings(4);
    const double before = window().height();
    const auto pagesBefore = linesWith("设置页[").size();

    // Screen coordinates: the second display spans y 182...982.
    window().setFrame(core::Rect(1700, 250, 720, before + titleBar()));
    clock().runUntilIdle();

    const double after = expectedHeight(760);
    EXPECT_EQ(window().height(), after);
    EXPECT_EQ(linesWith("设置窗口高度按屏幕收口"),
              (std::vector<std::string>{"设置窗口高度按屏幕收口: " + whole(before) + " → " + whole(after) + "pt"}));
    EXPECT_EQ(linesWith("设置页[").size(), pagesBefore + 1) << "the tab is rebuilt once";
    const auto frame = window().frame();
    EXPECT_DOUBLE_EQ(frame.midX(), 1512 + 640);
    EXPECT_DOUBLE_EQ(frame.midY(), 982 - 380) << "centred on the new screen";
    EXPECT_EQ(frame.height(), after + titleBar());

    window().setFrame(core::Rect(1600, 200, 720, frame.height()));
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("设置窗口高度按屏幕收口").size(), 1u) << "a move on the same screen changes nothing";
}

TEST_F(SettingsWindowTest, ATallTabGrowsItsContentAndStartsAtTheTop)
{
    desktop::DisplayInfo small;
    small.id = 2;
    small.frame = core::Rect(0, 0, 800, 500);
    small.visibleFrame = core::Rect(0, 25, 800, 435);
    small.name = "Small";
    world().removeDisplay(1);
    world().addDisplay(small);

    window().showSettings(0);
    const double h = expectedHeight(435);
    auto* content = window().contentArea();
    ASSERT_GT(content->height(), h - 78);
    double lowest = content->height();
    for (const auto* view : content->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        lowest = std::min(lowest, ui::viewFrame(view->geometry(), content->height(), false).minY());
    EXPECT_NEAR(lowest, 24, 1) << "the lowest view ends 24 pt above the bottom";
    EXPECT_EQ(window().findChild<QScrollArea*>()->verticalScrollBar()->value(), 0);
    EXPECT_EQ(linesWith("设置页[通用]").back(),
              "设置页[通用] 窗口高=" + whole(h) + " 可视高=" + whole(h - 78) + " 文档高=" + whole(content->height()));
}

TEST_F(SettingsWindowTest, ALongHeaderSubtitleWrapsAndPushesWhatFollowsDown)
{
    auto& settings = window();
    const double top = settings.contentArea()->height() - 24;
    EXPECT_EQ(settings.addHeader("语言", "界面显示语言，切换后立即生效。", top), top - 84);

    std::string longSubtitle;
    for (int i = 0; i < 12; ++i) longSubtitle += "界面显示语言，切换后立即生效。";
    const double next = settings.addHeader("语言", longSubtitle, top);
    EXPECT_LT(next, top - 84);
    QLabel* subtitle = nullptr;
    for (auto* label : settings.contentArea()->findChildren<QLabel*>("headerSubtitle"))
        if (label->text().toStdString() == longSubtitle) subtitle = label;
    ASSERT_TRUE(subtitle);
    const auto frame = ui::viewFrame(subtitle->geometry(), settings.contentArea()->height(), false);
    EXPECT_GT(frame.height(), 20);
    EXPECT_EQ(frame.minY(), next + 24) << "what follows keeps its distance";
    EXPECT_EQ(frame.maxY(), top - 40) << "the first line stays where it was";
}
