#include "app/MenuWindowRow.h"
#include "support/QtTestApplication.h"
#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <QString>

#include <gmock/gmock.h>

#include <cmath>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testsupport;

// A tray that speaks the StatusNotifierItem protocol (KDE's, GNOME's with the AppIndicator
// extension) on a session bus of the test's own.
class X11StatusNotifierTray : public ::testing::Test {
protected:
    struct Item {
        std::string busName, objectPath;
    };

    void SetUp() override
    {
        ASSERT_TRUE(waitUntil([&] { return std::filesystem::exists(socket); })) << "dbus-daemon did not start";
    }

    // A tray that writes the items that register with it to the file; a mode makes it hostile.
    std::unique_ptr<X11Client> startTray(const std::string& itemsFile, const std::string& mode = {})
    {
        std::vector<std::string> command{GLIMRA_TRAY_WATCHER, busAddress, itemsFile};
        if (!mode.empty()) command.push_back(mode);
        auto tray = std::make_unique<X11Client>(command);
        EXPECT_TRUE(waitUntil([&] { return std::filesystem::exists(itemsFile); })) << "the tray did not join the bus";
        return tray;
    }

    // The first item that registered with the tray of that file, once one has.
    static Item registeredItem(const std::string& itemsFile)
    {
        Item item;
        waitUntil([&] {
            std::istringstream(readFile(itemsFile)) >> item.busName >> item.objectPath;
            return !item.objectPath.empty();
        });
        return item;
    }

    std::unique_ptr<GlimraOnDesktop> launchGlimra()
    {
        return std::make_unique<GlimraOnDesktop>(
            std::string{}, std::map<std::string, std::string>{{"DBUS_SESSION_BUS_ADDRESS", busAddress}});
    }

    // Clicks the item as the tray does, with the pointer at the point.
    void clickAt(const Item& item, int x, int y)
    {
        EXPECT_TRUE(movePointer(x, y));
        runTool({"dbus-send", "--bus=" + busAddress, "--type=method_call", "--dest=" + item.busName, item.objectPath,
                 "org.kde.StatusNotifierItem.Activate", "int32:" + std::to_string(x), "int32:" + std::to_string(y)});
    }

    // Where the menu that a click at the point opens is, once it is there.
    Geometry menuAfterClickAt(GlimraOnDesktop& glimra, const Item& item, int x, int y)
    {
        const std::vector<unsigned long> before = visibleWindowsOf(glimra.pid());
        clickAt(item, x, y);
        const unsigned long menu = glimra.waitForNewPictureWindow(before, 5);
        return menu ? geometryOf(menu) : Geometry{};
    }

    static void closeMenu(GlimraOnDesktop& glimra)
    {
        const std::vector<unsigned long> open = visibleWindowsOf(glimra.pid());
        runTool({"xdotool", "key", "Escape"});
        EXPECT_TRUE(waitUntil([&] { return visibleWindowsOf(glimra.pid()).size() < open.size(); }, 5));
    }

    // One picture of the item's icon: ARGB, a byte a channel, alpha first, row by row.
    struct IconPixmap {
        int width = 0, height = 0;
        std::vector<std::uint8_t> argb;
    };

    // The icon's pictures, as the tray reads them.
    std::vector<IconPixmap> iconOf(const Item& item)
    {
        std::istringstream reply(
            runTool({"dbus-send", "--bus=" + busAddress, "--print-reply", "--dest=" + item.busName, item.objectPath,
                     "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierItem", "string:IconPixmap"}));
        std::vector<IconPixmap> pixmaps;
        int sides = 0;
        for (std::string word; reply >> word;) {
            if (word == "int32") {
                if (sides % 2 == 0) pixmaps.emplace_back();
                reply >> (sides++ % 2 == 0 ? pixmaps.back().width : pixmaps.back().height);
            } else if (word == "[" && !pixmaps.empty() && pixmaps.back().argb.empty()) {
                for (std::string byte; reply >> byte && byte != "]";)
                    pixmaps.back().argb.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
            }
        }
        return pixmaps;
    }

    // The item's menu as the tray reads it (over com.canonical.dbusmenu); empty when the
    // item says it has none.
    std::string exportedMenuOf(const Item& item)
    {
        const std::string reply =
            runTool({"dbus-send", "--bus=" + busAddress, "--print-reply", "--dest=" + item.busName, item.objectPath,
                     "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierItem", "string:Menu"});
        std::smatch path;
        if (!std::regex_search(reply, path, std::regex("object path \"([^\"]+)\"")) || path[1] == "/NO_DBUSMENU")
            return {};
        return runTool({"dbus-send", "--bus=" + busAddress, "--print-reply", "--dest=" + item.busName, path[1],
                        "com.canonical.dbusmenu.GetLayout", "int32:0", "int32:-1", "array:string:"});
    }

    // The first label of the item's menu that starts so, as the tray shows it ("__" is an
    // underscore; a single "_" underlines the character after it, written "[c]" here, and
    // draws nothing for an invisible one); empty when there is none.
    std::string shownLabel(const Item& item, const std::string& start)
    {
        const std::string menu = exportedMenuOf(item);
        const std::regex label("string \"label\"\\s+variant\\s+string \"([^\"\\n]*)\"");
        const QString invisible = QStringLiteral("\u2060\u2068\u2069");
        for (std::sregex_iterator at(menu.begin(), menu.end(), label), end; at != end; ++at) {
            const QString wire = QString::fromStdString((*at)[1].str());
            QString shown;
            for (qsizetype i = 0; i < wire.size(); ++i) {
                const bool marker = wire[i] == u'_' && i + 1 < wire.size() && wire[++i] != u'_';
                if (invisible.contains(wire[i])) continue;
                shown += marker ? QStringLiteral("[%1]").arg(wire[i]) : QString(wire[i]);
            }
            if (shown.startsWith(QString::fromStdString(start))) return shown.toStdString();
        }
        return {};
    }

    // Asks the tray's watcher, and answers the last word of its reply.
    std::string askWatcher(const std::string& method, const std::vector<std::string>& arguments)
    {
        std::vector<std::string> command{"dbus-send", "--bus=" + busAddress, "--print-reply",
                                         "--dest=org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", method};
        command.insert(command.end(), arguments.begin(), arguments.end());
        std::istringstream reply(runTool(command));
        std::string last;
        for (std::string word; reply >> word;) last = word;
        return last;
    }
    int hostQuestions()
    {
        return std::stoi(askWatcher("org.freedesktop.DBus.Properties.Get",
                                    {"string:org.kde.StatusNotifierWatcher", "string:HostQuestions"}));
    }

    TempDir scratch;
    const std::string socket = scratch.path() + "/bus";
    const std::string busAddress = "unix:path=" + socket;
    // Not an X client, but ended by its pid all the same.
    X11Client bus{{"dbus-daemon", "--session", "--nofork", "--address=" + busAddress}};
};

// How many of the icon's pixels, laid on a panel of that grey, differ from the panel by
// half the range or more: what an eye picks out.
int pixelsStandingOut(const std::vector<std::uint8_t>& argb, int panel)
{
    int standing = 0;
    for (std::size_t at = 0; at + 3 < argb.size(); at += 4) {
        const double alpha = argb[at] / 255.0;
        double shown = 0;
        for (int channel = 1; channel <= 3; ++channel) shown += alpha * argb[at + channel] + (1 - alpha) * panel;
        standing += std::abs(shown / 3 - panel) >= 128;
    }
    return standing;
}

// Such a tray draws the icon itself and never says where: a click on it reaches glimra as
// an Activate call over D-Bus, and the menu opens at the pointer, wholly on the screen.
// An XEmbed tray beside it, as KDE has one, changes nothing. The same launch then
// crashes: its report holds the crashing thread's frames.
TEST_F(X11StatusNotifierTray, TheMenuOpensAtThePointerOnTheScreenAndACrashReportHoldsTheStack)
{
    const std::string itemsFile = scratch.path() + "/items";
    const auto tray = startTray(itemsFile);
    X11Client xembedTray({"trayer", "--edge", "top", "--align", "right", "--SetDockType", "true"});
    ASSERT_NE(xembedTray.waitForWindow("trayer"), 0u);

    const auto glimra = launchGlimra();
    ASSERT_TRUE(glimra->ready()) << glimra->err();
    EXPECT_EQ(statusButtonOf(glimra->pid()), 0u) << "the tray shows the item, no button of its own";
    const Item item = registeredItem(itemsFile);
    ASSERT_FALSE(item.objectPath.empty()) << "the item never registered with the tray";

    const Geometry middle = menuAfterClickAt(*glimra, item, 700, 450);
    ASSERT_GT(middle.width, 0) << "no menu opened; log:\n" << glimra->log();
    EXPECT_EQ(middle.x, 700);
    EXPECT_EQ(middle.y, 450) << "the menu's top-left at the pointer";
    closeMenu(*glimra);

    // A tray in a panel at the bottom right: the menu opens above the pointer, on the screen.
    const int width = screenWidth(), height = screenHeight();
    const int x = width - 10, y = height - 12;
    const Geometry corner = menuAfterClickAt(*glimra, item, x, y);
    ASSERT_GT(corner.width, 0) << "no menu opened the second time";
    EXPECT_GE(corner.x, 0);
    EXPECT_LE(corner.x + corner.width, width);
    EXPECT_LE(corner.x, x);
    EXPECT_EQ(corner.y + corner.height, y) << "the menu's bottom at the pointer";
    closeMenu(*glimra);

    // Sent to the process, the signal reaches its main thread, in the event loop.
    glimra->process().signal(SIGSEGV);
    ASSERT_TRUE(glimra->process().waitForExit(5)) << glimra->err();
    std::string report;
    for (const auto& entry : std::filesystem::directory_iterator(glimra->folders().path("data/Glimra/CrashReports")))
        report = readFile(entry.path());
    EXPECT_THAT(report, testing::HasSubstr("Signal: SIGSEGV (11)\n"));
    EXPECT_THAT(report, testing::ContainsRegex("\nFrames:\n0  [^\n]+ \\+ 0x[0-9a-f]+"));
    EXPECT_THAT(report, testing::ContainsRegex("\n[0-9]+  glimra \\+ 0x[0-9a-f]+  main \\+ 0x[0-9a-f]+\n")) << report;
}

// A panel that restarts takes its tray down and brings it back: meanwhile glimra's own
// button stands in, and the item registers with the new tray, whose clicks open menus.
// The panel's colour is its own, so the icon must show on black, dark grey and white.
TEST_F(X11StatusNotifierTray, WhenTheTrayComesBackTheItemRegistersAgainWithAnIconThatShowsOnAnyPanel)
{
    const std::string firstItems = scratch.path() + "/first";
    auto tray = startTray(firstItems);
    const auto glimra = launchGlimra();
    ASSERT_TRUE(glimra->ready()) << glimra->err();
    ASSERT_FALSE(registeredItem(firstItems).objectPath.empty()) << "the item never registered with the tray";
    EXPECT_EQ(statusButtonOf(glimra->pid()), 0u);

    tray->end();
    EXPECT_TRUE(waitUntil([&] { return statusButtonOf(glimra->pid()) != 0; }))
        << "no button while there is no tray; log:\n"
        << glimra->log();

    const std::string secondItems = scratch.path() + "/second";
    tray = startTray(secondItems);
    const Item item = registeredItem(secondItems);
    ASSERT_FALSE(item.objectPath.empty()) << "the item did not register with the tray that came back";
    EXPECT_TRUE(waitUntil([&] { return statusButtonOf(glimra->pid()) == 0; })) << "the button stays beside the tray";
    const std::string log = glimra->log();
    EXPECT_EQ(occurrences(log, "status item: own button (no system tray)"), 1u) << log;
    EXPECT_EQ(occurrences(log, "status item: system tray"), 2u) << log;

    const Geometry menu = menuAfterClickAt(*glimra, item, 700, 450);
    EXPECT_GT(menu.width, 0) << "a click on the item that came back opens no menu";
    closeMenu(*glimra);
    // Such a tray opens the item's menu itself on a right click: the commands travel to it.
    EXPECT_THAT(exportedMenuOf(item), testing::ContainsRegex("string \"[^\"]*Glimra\"")) << "no menu for a right click";

    const auto icon = iconOf(item);
    ASSERT_FALSE(icon.empty()) << "the item has no icon";
    for (const auto& picture : icon) {
        ASSERT_EQ(picture.argb.size(), static_cast<std::size_t>(picture.width * picture.height * 4));
        if (picture.width < 16 || picture.width > 24) continue;
        for (const int panel : {0x00, 0x3c, 0xff})
            EXPECT_GE(pixelsStandingOut(picture.argb, panel), picture.width)
                << "the " << picture.width << "-pixel icon hardly shows on a panel of grey " << panel;
    }
}

// The tray's own menu shows titles and commands as written, whatever they hold of the
// marks the menu's protocols give a meaning to, cuts a long title as the status menu does,
// and counts the mini windows as they come and go.
TEST_F(X11StatusNotifierTray, ItsOwnMenuShowsLabelsAsWrittenAndCountsTheMiniWindows)
{
    X11Client marked({"xterm", "-T", "Tom && Jerry & _x_"});
    X11Client longTitled({"xterm", "-T", std::string(250, 'w')});
    ASSERT_TRUE(marked.waitForWindow("XTerm") && longTitled.waitForWindow("XTerm"));
    const std::string itemsFile = scratch.path() + "/items";
    const auto tray = startTray(itemsFile);
    const auto glimra = launchGlimra();
    ASSERT_TRUE(glimra->ready()) << glimra->err();
    const Item item = registeredItem(itemsFile);
    ASSERT_TRUE(waitUntil([&] { return !shownLabel(item, "XTerm · www").empty(); })) << exportedMenuOf(item);
    EXPECT_EQ(shownLabel(item, "XTerm · Tom"), "XTerm · Tom && Jerry & _x_");
    EXPECT_EQ(shownLabel(item, "Help"), "Help & Feedback…");
    ensureQtApplication();
    EXPECT_LE(app::MenuWindowRow::measureLabel(shownLabel(item, "XTerm · www")), app::menuMaximumWidth);

    const std::vector<unsigned long> before = visibleWindowsOf(glimra->pid());
    glimra->process().signal(SIGUSR2);
    const unsigned long mini = glimra->waitForNewPictureWindow(before);
    ASSERT_NE(mini, 0u) << glimra->err();
    EXPECT_TRUE(waitUntil([&] { return shownLabel(item, "Mini windows") == "Mini windows: 1"; }));
    runTool({"xdotool", "windowclose", std::to_string(mini)});
    EXPECT_TRUE(waitUntil([&] { return shownLabel(item, "Mini windows") == "Mini windows: 0"; }));
}

// A click that reaches glimra over D-Bus while an alert is open brings the alert forward
// instead of opening the menu behind it.
TEST_F(X11StatusNotifierTray, WhileAnAlertIsOpenAClickOnTheItemBringsTheAlertForward)
{
    X11Client terminal({"xterm", "-geometry", "80x24+300+200"});
    const unsigned long terminalWindow = terminal.waitForWindow("XTerm");
    ASSERT_NE(terminalWindow, 0u);
    const std::string itemsFile = scratch.path() + "/items";
    const auto tray = startTray(itemsFile);
    const auto glimra = launchGlimra();
    ASSERT_TRUE(glimra->ready()) << glimra->err();
    const Item item = registeredItem(itemsFile);
    ASSERT_FALSE(item.objectPath.empty());

    // "复制诊断信息", two rows up from the menu's bottom, ends in an alert.
    ASSERT_GT(menuAfterClickAt(*glimra, item, 700, 450).width, 0);
    const std::vector<unsigned long> withMenu = visibleWindowsOf(glimra->pid());
    for (const char* key : {"Up", "Up", "Return"}) runTool({"xdotool", "key", key});
    const unsigned long alert = waitForNewWindow(glimra->pid(), withMenu);
    ASSERT_NE(alert, 0u) << "no alert; log:\n" << glimra->log();

    const auto active = [] { return runTool({"xdotool", "getactivewindow"}); };
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(terminalWindow)});
    ASSERT_TRUE(waitUntil([&] { return active() == std::to_string(terminalWindow) + "\n"; }, 5));
    const std::vector<unsigned long> withAlert = visibleWindowsOf(glimra->pid());
    clickAt(item, 700, 450);
    EXPECT_TRUE(waitUntil([&] { return active() == std::to_string(alert) + "\n"; }, 5))
        << "a click on the item leaves the alert behind";
    EXPECT_EQ(visibleWindowsOf(glimra->pid()), withAlert) << "a menu opened behind the alert";
    answerAlert(alert);
    EXPECT_TRUE(goneFromScreen(glimra->pid(), alert));
}

// A watcher that floods its host signals gets one question at a time, and one more for
// what changed meanwhile, not one for each signal.
TEST_F(X11StatusNotifierTray, AFloodOfHostSignalsIsAskedAboutOnce)
{
    const std::string itemsFile = scratch.path() + "/items";
    const auto tray = startTray(itemsFile);
    const auto glimra = launchGlimra();
    ASSERT_TRUE(glimra->ready()) << glimra->err();
    const Item item = registeredItem(itemsFile);
    ASSERT_FALSE(item.objectPath.empty());

    const int before = hostQuestions();
    askWatcher("org.kde.StatusNotifierWatcher.Flood", {"int32:5000"});
    // Once a click after the flood opens the menu, glimra has heard every signal.
    ASSERT_GT(menuAfterClickAt(*glimra, item, 700, 450).width, 0) << glimra->log();
    closeMenu(*glimra);
    EXPECT_LE(hostQuestions() - before, 2);
}

// A watcher that refuses the item, that hides from its introspection whether a tray
// shows the items, or that answers with wrong types (Qt's icons then go to an XEmbed
// tray) leaves glimra its own button, and an XEmbed tray that comes takes the item.
TEST_F(X11StatusNotifierTray, AWatcherThatRefusesTheItemOrHidesItsHostLeavesTheOwnButton)
{
    for (const std::string mode : {"refuses-items", "hides-host-property", "wrong-types"}) {
        SCOPED_TRACE(mode);
        const auto tray = startTray(scratch.path() + "/" + mode, mode);
        const auto glimra = launchGlimra();
        ASSERT_TRUE(glimra->process().started()) << glimra->err();
        unsigned long button = 0;
        EXPECT_TRUE(waitUntil([&] { return (button = statusButtonOf(glimra->pid())) != 0; })) << glimra->log();
        if (mode == "refuses-items") continue;
        X11Client xembedTray({"trayer", "--edge", "top", "--align", "right", "--SetDockType", "true"});
        ASSERT_NE(xembedTray.waitForWindow("trayer"), 0u);
        EXPECT_TRUE(waitUntil([&] { return occurrences(glimra->log(), "status item: system tray") == 1; }))
            << glimra->log();
        EXPECT_TRUE(waitUntil([&] { return !isVisibleWindowOf(glimra->pid(), button); }));
    }
}

}  // namespace
