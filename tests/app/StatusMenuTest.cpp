#include "app/MenuShot.h"
#include "app/MenuThumbnail.h"
#include "app/MenuWindowRow.h"
#include "app/StatusMenu.h"
#include "platform/defaults/Defaults.h"
#include "platform/sim/SimWindowServer.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"
#include "update/UpdateInstaller.h"

#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QWidgetAction>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class StatusMenuTest : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::ensureQtApplication();
        testsupport::SimDesktopDiagTest::SetUp();
        defaults::Defaults::standard().reopen(configHome() + "/Glimra/defaults.json");
        MenuThumbnail::reset();
        UpdateInstaller::setPhase(UpdatePhase{});
        addApp(42, "Notes", "com.example.notes");
        for (desktop::WindowID id = 500; id < 507; ++id)
            addWindow(42, id, {100.0 + id - 500, 100, 1600, 900}, "Doc " + std::to_string(id));
        world().setAccessibilityTrusted(true);
    }

    void TearDown() override
    {
        menu.reset();
        clock().runUntilIdle();
        UpdateInstaller::setPhase(UpdatePhase{});
        MenuThumbnail::reset();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    void makeMenu()
    {
        app::StatusMenu::Host host;
        host.perform = [this](app::Command command) { performed.push_back(command); };
        host.createPanel = [this](const desktop::ShareableWindow& w, const panels::FocusRegion& region,
                                  const std::string& why) {
            picked.push_back(w.windowID);
            EXPECT_TRUE(region.isWholeWindow());
            EXPECT_EQ(why, "菜单·窗口列表选中");
        };
        host.beginFocusOnWindow = [this](const desktop::ShareableWindow& w) { focused.push_back(w.windowID); };
        host.panelCount = [] { return std::size_t{0}; };
        menu = std::make_unique<app::StatusMenu>(host);
    }

    std::vector<std::string> titles() const
    {
        std::vector<std::string> out;
        for (QAction* action : menu->menu().qtMenu().actions())
            out.push_back(action->isSeparator() ? "---" : action->text().toStdString());
        return out;
    }

    // The rows of the current build, inline and in the submenu.
    std::vector<app::MenuWindowRow*> rows() const
    {
        std::vector<app::MenuWindowRow*> out;
        const auto collect = [&](const QMenu& qmenu) {
            for (QAction* action : qmenu.actions()) {
                if (auto* holder = qobject_cast<QWidgetAction*>(action))
                    if (auto* row = dynamic_cast<app::MenuWindowRow*>(holder->defaultWidget())) out.push_back(row);
            }
        };
        collect(menu->menu().qtMenu());
        for (QAction* action : menu->menu().qtMenu().actions())
            if (action->menu()) collect(*action->menu());
        return out;
    }

    std::unique_ptr<app::StatusMenu> menu;
    std::vector<app::Command> performed;
    std::vector<desktop::WindowID> picked;
    std::vector<desktop::WindowID> focused;
};

// The first opening shows the cached list at once; a window opened since the list was
// cached joins the open menu when the fresh list comes.
TEST_F(StatusMenuTest, OpeningShowsTheCachedListAndTheFreshListUpdatesTheOpenMenu)
{
    makeMenu();
    menu->rebuildMenu(false);
    EXPECT_EQ(titles()[0], "未发现可捕获的窗口");

    menu->menu().popUp(core::Point{400, 800});
    EXPECT_EQ(titles()[0], "未发现可捕获的窗口");
    clock().runUntilIdle();
    ASSERT_TRUE(menu->menuIsOpen());
    EXPECT_TRUE(menu->menuOpenedAt().has_value());
    EXPECT_EQ(menu->cachedWindows().size(), 7u);
    EXPECT_EQ(rows().size(), 5u + 7u);  // inline rows and the submenu's
    EXPECT_EQ(titles().size(), 16u);
    EXPECT_EQ(titles()[6], "更多（共 7 个窗口）");

    // The same windows again leave the open rows alone.
    const std::vector<app::MenuWindowRow*> shown = rows();
    menu->refreshCache(false);
    clock().runUntilIdle();
    EXPECT_EQ(rows(), shown);

    // Another window opened while the menu is open.
    addWindow(42, 507, {300, 300, 400, 300}, "Doc 507");
    menu->refreshCache(false);
    clock().runUntilIdle();
    ASSERT_TRUE(menu->menuIsOpen());
    EXPECT_EQ(rows().size(), 5u + 8u);
    EXPECT_EQ(titles()[6], "更多（共 8 个窗口）");

    menu->menu().cancelTracking();
    clock().runUntilIdle();
    menu->menu().popUp(core::Point{400, 800});
    clock().runUntilIdle();
    EXPECT_EQ(rows().size(), 5u + 8u);
}

// Windows that only retitled themselves since the list was cached keep the open menu's
// rows, which take the new titles; every title is drawn as written, markup and all.
TEST_F(StatusMenuTest, RetitledWindowsRetitleTheOpenRowsWhichShowTitlesAsWritten)
{
    const std::string markup = "<img src=\"/dev/null\"><b>x</b>";
    addWindow(42, 507, {300, 300, 400, 300}, markup);
    makeMenu();
    menu->refreshCache(false);
    clock().runUntilIdle();
    std::vector<desktop::ShareableWindow> older = menu->cachedWindows();
    ASSERT_EQ(older.size(), 8u);
    for (auto& window : older) window.title = "Before";
    menu->setCachedWindows(older);

    menu->menu().popUp(core::Point{400, 800});
    const std::vector<app::MenuWindowRow*> shown = rows();
    clock().runUntilIdle();
    ASSERT_TRUE(menu->menuIsOpen());
    ASSERT_EQ(rows(), shown) << "the open menu was rebuilt";

    const auto row = std::find_if(shown.begin(), shown.end(), [&](auto* r) { return r->title().find(markup) != std::string::npos; });
    ASSERT_NE(row, shown.end());
    EXPECT_EQ((*row)->title(), "Notes · " + markup);
    const auto labels = (*row)->findChildren<QLabel*>();
    const auto label = std::find_if(labels.begin(), labels.end(), [](QLabel* l) { return !l->text().isEmpty(); });
    ASSERT_NE(label, labels.end());
    EXPECT_EQ((*label)->textFormat(), Qt::PlainText);
    EXPECT_NE((*label)->text().toStdString().find("<img src=\"/dev/null\">"), std::string::npos);
    EXPECT_NE(QTextDocumentFragment::fromHtml((*row)->toolTip()).toPlainText().toStdString().find(markup),
              std::string::npos);

    bool listed = false;
    for (const auto& open : ui::Menu::openMenus())
        for (const auto& entry : open.entries) listed = listed || entry.text == "Notes · " + markup;
    EXPECT_TRUE(listed) << "the listing kept the old name";

    // Every text in the menu's own rows (window rows, application headers) is plain.
    for (QAction* action : menu->menu().qtMenu().actions()) {
        auto* holder = qobject_cast<QWidgetAction*>(action);
        if (!holder || !holder->defaultWidget()) continue;
        for (const auto* text : holder->defaultWidget()->findChildren<QLabel*>()) {
            if (!text->text().isEmpty()) {
                EXPECT_EQ(text->textFormat(), Qt::PlainText) << text->text().toStdString();
            }
        }
    }
}

TEST_F(StatusMenuTest, ManyRebuildsWhileOpenGiveOneAfterClosingAndTheKeyIsLoggedOnChange)
{
    makeMenu();
    menu->rebuildMenu(false);
    menu->rebuildMenu(false);
    EXPECT_EQ(linesWith("菜单: 更新相关行"), std::vector<std::string>{"菜单: 更新相关行 = idle"});

    menu->menu().popUp(core::Point{400, 800});
    clock().runUntilIdle();
    const UpdateManifest manifest{"2.0", 9};
    UpdateInstaller::setPhase(UpdatePhase::downloading(manifest, -1));
    for (int i = 0; i < 4; ++i) menu->rebuildMenu(false);
    EXPECT_TRUE(menu->menuDirty());
    EXPECT_EQ(linesWith("菜单: 更新相关行").size(), 1u);  // the open menu was left alone

    menu->menu().cancelTracking();
    EXPECT_FALSE(menu->menuIsOpen());
    clock().runUntilIdle();
    EXPECT_FALSE(menu->menuDirty());
    EXPECT_EQ(linesWith("菜单: 更新相关行"),
              (std::vector<std::string>{"菜单: 更新相关行 = idle", "菜单: 更新相关行 = downloading 2.0 ?"}));
    EXPECT_EQ(titles()[0], "正在下载 2.0…");
}

TEST_F(StatusMenuTest, RefusedCatalogKeepsTheListAndShowsThePermissionRow)
{
    makeMenu();
    menu->refreshCache(false);
    clock().runUntilIdle();
    ASSERT_EQ(menu->cachedWindows().size(), 7u);

    // Denied after the preflight: the catalog's answer tells.
    world().setScreenRecordingAllowed(false);
    menu->refreshCache(false);
    clock().runUntilIdle();
    world().setScreenRecordingAllowed(true);
    menu->rebuildMenu(false);
    EXPECT_EQ(menu->cachedWindows().size(), 7u);
    EXPECT_EQ(titles()[0], "屏幕录制权限未授权(点击授权)");
    EXPECT_EQ(rows().size(), 0u);

    menu->refreshCache(false);
    clock().runUntilIdle();
    menu->rebuildMenu(false);
    EXPECT_EQ(rows().size(), 5u + 7u);
}

TEST_F(StatusMenuTest, RowsPickAndFocusAfterTheMenuClosesAndClicksNearTheButtonDoNothing)
{
    makeMenu();
    menu->refreshCache(false);
    clock().runUntilIdle();
    menu->menu().popUp(core::Point{400, 800});
    clock().runUntilIdle();
    auto* row = rows().front();
    const int w = row->width();
    const auto click = [&](double x) {
        QMouseEvent release(QEvent::MouseButtonRelease, QPointF(x, 26), QPointF(x, 26), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QCoreApplication::sendEvent(row, &release);
    };
    click(w - 34 - 1.5);  // 1.5 pt left of the focus button
    clock().runUntilIdle();
    EXPECT_TRUE(picked.empty());
    EXPECT_TRUE(menu->menuIsOpen());

    click(w - 34 - 3);
    EXPECT_FALSE(menu->menuIsOpen());
    EXPECT_TRUE(picked.empty());  // on the next main-queue turn
    clock().runUntilIdle();
    EXPECT_EQ(picked, std::vector<desktop::WindowID>{menu->cachedWindows().front().windowID});
    EXPECT_TRUE(focused.empty());

    // A callback that fires after the menu is gone does nothing.
    menu->menu().popUp(core::Point{400, 800});
    clock().runUntilIdle();
    rows()[1]->findChild<QToolButton*>()->click();
    menu.reset();
    clock().runUntilIdle();
    EXPECT_TRUE(focused.empty());
}

TEST_F(StatusMenuTest, CommandItemsRunTheirActionAfterClosing)
{
    makeMenu();
    menu->rebuildMenu(false);
    for (QAction* action : menu->menu().qtMenu().actions())
        if (action->text() == "退出 Glimra") action->trigger();
    clock().runUntilIdle();
    EXPECT_EQ(performed, std::vector<app::Command>{app::Command::quitApp});
}

// The plain menu for a tray that draws menus itself follows the fresh list: window rows
// as their labels, then the commands, each acting after its choice.
TEST_F(StatusMenuTest, ThePlainMenuHoldsTheWindowRowsAsTextThenTheCommands)
{
    makeMenu();
    menu->refreshCache(false);
    clock().runUntilIdle();
    const auto shown = menu->plainMenu().actions();
    ASSERT_EQ(shown.size(), 15);
    EXPECT_EQ(shown[0]->text().toStdString(), "\u2068Notes\u2069 · \u2068Doc 506\u2069");  // front-most first
    EXPECT_EQ(shown[5]->text().toStdString(), "更多（共 7 个窗口）");
    EXPECT_EQ(shown.back()->text().toStdString(), "退出 Glimra");
    const QMenu* more = shown[5]->menu();
    ASSERT_NE(more, nullptr);
    EXPECT_EQ(more->actions().back()->text().toStdString(), "\u2068Notes\u2069 · \u2068Doc 500\u2069");

    more->actions().back()->trigger();
    menu->plainMenu().actions().back()->trigger();
    clock().runUntilIdle();
    EXPECT_EQ(picked, std::vector<desktop::WindowID>{500});
    EXPECT_EQ(performed, std::vector<app::Command>{app::Command::quitApp});
}

class MenuThumbnailTest : public StatusMenuTest {};

TEST_F(MenuThumbnailTest, WarmingCapturesAndPassesAreEightSecondsApart)
{
    EXPECT_EQ(MenuThumbnail::thumbnailPointWidth({0, 0, 1600, 900}), 78);
    EXPECT_EQ(MenuThumbnail::thumbnailPointWidth({0, 0, 200, 2000}), 26);
    EXPECT_EQ(MenuThumbnail::thumbnailPointWidth({0, 0, 4000, 200}), 88);
    EXPECT_EQ(MenuThumbnail::thumbnailPointWidth({0, 0, 0, 200}), std::nullopt);

    std::vector<desktop::ShareableWindow> list;
    for (desktop::WindowID id = 500; id < 507; ++id) list.push_back(shareableWindow(id));
    MenuThumbnail::warm(list, false);
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("菜单缩略图预热"), std::vector<std::string>{"菜单缩略图预热: 抓取 7 个，成功 7 个，缓存 7 个"});
    const auto image = MenuThumbnail::cached(500);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), QSize(156, 88));
    EXPECT_EQ(image->deviceIndependentSize(), QSizeF(78, 44));

    // 5 s later nothing; forced, only the fresh ones are skipped (all of them); a window
    // that left the list loses its thumbnail.
    clock().advance(5);
    list.pop_back();
    MenuThumbnail::warm(list, false);
    MenuThumbnail::warm(list, true);
    clock().runUntilIdle();
    EXPECT_EQ(linesWith("菜单缩略图预热").size(), 1u);
    EXPECT_EQ(MenuThumbnail::cacheCount(), 6u);
    dynamic_cast<sim::SimWindowServer&>(desktop::windowServer()).setSwitches({.numbersGivenAgain = true});
    EXPECT_FALSE(MenuThumbnail::cached(500)) << "a new window shows the closed one's picture";

    defaults::Defaults::standard().set("menuWindowThumbs", false);
    MenuThumbnail::reset();
    MenuThumbnail::warm(list, true);
    clock().runUntilIdle();
    EXPECT_EQ(MenuThumbnail::cacheCount(), 0u);
}

TEST_F(MenuThumbnailTest, SelfTestWritesFilesAndRefusesAForeignFolder)
{
    testsupport::TempDir tmp;
    const std::string folder = tmp.path() + "/glimra-menu-thumbs";
    addApp(43, "My App.v2", "com.example.two");
    addWindow(43, 600, {0, 0, 400, 300}, "Two");
    std::vector<desktop::ShareableWindow> list = {shareableWindow(600), shareableWindow(500), shareableWindow(501)};
    std::optional<int> status;
    MenuThumbnail::selfTest(list, folder, [&](int s) { status = s; });
    clock().runUntilIdle();
    EXPECT_EQ(status, 0);
    struct stat info {};
    ASSERT_EQ(::stat(folder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(linesWith("缩略图自检"),
              (std::vector<std::string>{"缩略图自检: 候选 3 个，试抓 3 个",
                                        "缩略图自检: 写出 00_My_App_v2_600.png 59.0x44.0pt",
                                        "缩略图自检: 写出 01_Notes_500.png 78.0x44.0pt",
                                        "缩略图自检: 写出 02_Notes_501.png 78.0x44.0pt", "缩略图自检: 结束"}));
    EXPECT_EQ(::access((folder + "/02_Notes_501.png").c_str(), F_OK), 0);

    // Nothing captured: the lines stay, the status says so.
    world().setScreenRecordingAllowed(false);
    status.reset();
    MenuThumbnail::selfTest({shareableWindow(500)}, folder, [&](int s) { status = s; });
    clock().runUntilIdle();
    EXPECT_EQ(status, 1);

    // A link planted in the folder's place is refused before anything is written.
    const std::string planted = tmp.path() + "/planted";
    ASSERT_EQ(::symlink(tmp.path().c_str(), planted.c_str()), 0);
    status.reset();
    MenuThumbnail::selfTest(list, planted, [&](int s) { status = s; });
    clock().runUntilIdle();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(linesWith("缩略图目录").size(), 1u);
}

TEST_F(MenuThumbnailTest, DebugShotCropsTheMainDisplayWithTheOpenMenu)
{
    testsupport::TempDir tmp;
    MenuThumbnail::setDirectory(tmp.path() + "/thumbs");
    makeMenu();
    menu->rebuildMenu(false);
    menu->menu().popUp(core::Point{1200, 900});
    clock().runUntilIdle();
    std::optional<int> status;
    dispatch::global().async([&] { status = MenuShot::takeShot(); });
    clock().runUntilIdle();
    MenuThumbnail::setDirectory("/tmp/glimra-menu-thumbs");
    EXPECT_EQ(status, 0);
    const std::string path = tmp.path() + "/thumbs/menu-shot.png";
    EXPECT_EQ(linesWith("菜单截图"),
              (std::vector<std::string>{"菜单截图: 后台计时器触发", "菜单截图: 写出 " + path + " 1800x1500px"}));
    const QImage shot(QString::fromStdString(path));
    EXPECT_EQ(shot.size(), QSize(1800, 1500));

    world().setScreenRecordingAllowed(false);
    dispatch::global().async([&] { status = MenuThumbnail::debugShot(path) ? 0 : 1; });
    clock().runUntilIdle();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(linesWith("菜单截图: 抓屏失败（无屏幕录制权限？）").size(), 1u);
}

}  // namespace
