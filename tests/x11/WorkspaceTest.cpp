#include "platform/x11/X11Workspace.h"

#include "platform/core/AppIdentity.h"
#include "platform/dispatch/MainWait.h"
#include "platform/dispatch/Scheduler.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/linux/InstanceLock.h"
#include "platform/x11/X11WindowServer.h"

#include "support/X11Client.h"
#include "x11/WindowTestSupport.h"

#include <gtest/gtest.h>

#include <QSysInfo>

#include <cstdio>
#include <fstream>
#include <unistd.h>

namespace {

using testsupport::runTool;
using testsupport::waitUntil;
using testsupport::X11Client;

std::optional<desktop::RunningApp> runningEntry(x11::X11Workspace& workspace, pid_t pid)
{
    for (auto& app : workspace.runningApplications())
        if (app.pid == pid) return app;
    return std::nullopt;
}

std::string executableOf(pid_t pid)
{
    char target[4096];
    const auto length = ::readlink(("/proc/" + std::to_string(pid) + "/exe").c_str(), target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : "";
}

bool isOnScreen(x11::X11WindowServer& server, unsigned long window)
{
    const auto list = server.windowList(desktop::WindowListOption::all);
    const auto entry = list ? x11test::entryOf(*list, window) : std::nullopt;
    return entry && entry->isOnscreen == true;
}

TEST(X11Workspace, AnApplicationIsTheClientsOfOneProcessAndThisProcessIsAlwaysOne)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11Workspace workspace(connection, std::make_shared<x11::ClientFactsCache>(connection),
                                std::make_shared<x11::ActiveClient>(connection));
    X11Client eyes({"xeyes"});
    X11Client clock({"xclock", "-update", "1"});
    X11Client secondClock({"xclock", "-update", "1"});
    ASSERT_NE(eyes.waitForWindow("XEyes"), 0u);
    ASSERT_NE(clock.waitForWindow("XClock"), 0u);
    ASSERT_NE(secondClock.waitForWindow("XClock"), 0u);

    const auto own = runningEntry(workspace, ::getpid());
    ASSERT_TRUE(own) << "listed without any window";
    EXPECT_EQ(workspace.ownPid(), ::getpid());
    EXPECT_EQ(own->bundleIdentifier, core::AppIdentity::current().bundleIdentifier);
    EXPECT_FALSE(own->bundlePath);

    const auto eyesApp = runningEntry(workspace, eyes.pid());
    ASSERT_TRUE(eyesApp) << "found by the X server's record of its pid";
    EXPECT_EQ(eyesApp->name, "XEyes");
    EXPECT_EQ(eyesApp->bundleIdentifier, "x11:" + executableOf(eyes.pid()));
    // Two processes of one program are two applications with one identifier.
    const auto clocks = workspace.applications("x11:" + executableOf(clock.pid()));
    ASSERT_EQ(clocks.size(), 2u);
    EXPECT_NE(clocks[0].pid, clocks[1].pid);

    // Its windows gone, an application is terminated, and no longer running.
    const auto eyesPid = eyes.pid();
    eyes.end();
    EXPECT_TRUE(waitUntil([&] { return workspace.application(eyesPid)->terminated; }));
    EXPECT_FALSE(runningEntry(workspace, eyesPid));
}

TEST(X11Workspace, TheCopyThatHoldsTheInstanceLockCarriesThisApplicationsIdentifier)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11Workspace workspace(connection, std::make_shared<x11::ClientFactsCache>(connection),
                                std::make_shared<x11::ActiveClient>(connection));
    // Another live process named as the holder in the lock file, as QLockFile writes it.
    X11Client holder({"sleep", "60"});
    const auto folder = linuxdesktop::InstanceLock::defaultFolder();
    ASSERT_FALSE(linuxdesktop::InstanceLock::prepareFolder(folder));
    {
        std::ofstream lock(linuxdesktop::InstanceLock(folder).lockPath());
        lock << holder.pid() << "\nglimra\n" << QSysInfo::machineHostName().toStdString() << "\n";
    }
    const auto& identifier = core::AppIdentity::current().bundleIdentifier;
    const auto copies = workspace.applications(identifier);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].pid, holder.pid()) << "the holder first: a second copy hands over to it";
    EXPECT_EQ(copies[1].pid, ::getpid());

    // Once it has gone it is no copy of ours any more.
    const auto holderPid = holder.pid();
    holder.end();
    EXPECT_EQ(workspace.applications(identifier).size(), 1u);
    EXPECT_TRUE(workspace.application(holderPid)->terminated);
    std::remove(linuxdesktop::InstanceLock(folder).lockPath().c_str());
}

TEST(X11Workspace, TheFrontmostApplicationFollowsActivation)
{
    // The notices run on this thread's main queue, whoever touched dispatch first.
    dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    x11::X11Workspace workspace(connection, std::make_shared<x11::ClientFactsCache>(connection),
                                std::make_shared<x11::ActiveClient>(connection));
    X11Client first({"xterm"});
    const auto firstWindow = first.waitForWindow("XTerm");
    X11Client second({"xterm"});
    const auto secondWindow = second.waitForWindow("XTerm");
    ASSERT_NE(firstWindow, 0u);
    ASSERT_NE(secondWindow, 0u);
    std::vector<desktop::Pid> notices;
    const auto token = workspace.addActivationObserver([&](desktop::Pid pid) { notices.push_back(pid); });

    x11test::activate(firstWindow);
    EXPECT_TRUE(dispatch::waitRealTime([&] { return !notices.empty() && notices.back() == first.pid(); }, 10));
    EXPECT_EQ(workspace.frontmostApplication()->pid, first.pid());
    EXPECT_TRUE(workspace.application(first.pid())->active);

    EXPECT_TRUE(workspace.activate(second.pid()));
    EXPECT_TRUE(dispatch::waitRealTime([&] { return !notices.empty() && notices.back() == second.pid(); }, 10));
    EXPECT_EQ(workspace.frontmostApplication()->pid, second.pid());
    EXPECT_FALSE(workspace.application(first.pid())->active);
    workspace.removeActivationObserver(token);

    EXPECT_FALSE(workspace.activate(0x7ffffff0)) << "no such application";
    std::optional<desktop::Error> error;
    workspace.openApplication("/usr/bin/xterm", true, [&](std::optional<desktop::Error> answer) { error = answer; });
    EXPECT_TRUE(dispatch::waitRealTime([&] { return error.has_value(); }, 5));
    dispatch::install(nullptr);
}

TEST(X11Workspace, HidesUnhidesAndTerminatesAnApplication)
{
    const auto connection = x11test::openTestDisplay();
    ASSERT_TRUE(connection);
    const auto clients = std::make_shared<x11::ClientFactsCache>(connection);
    x11::X11Workspace workspace(connection, clients, std::make_shared<x11::ActiveClient>(connection));
    x11::X11WindowServer server(connection, clients);
    X11Client term({"xterm"});
    const auto window = term.waitForWindow("XTerm");
    ASSERT_NE(window, 0u);

    ASSERT_TRUE(workspace.hide(term.pid()));
    EXPECT_TRUE(waitUntil([&] { return !isOnScreen(server, window); }));
    EXPECT_TRUE(workspace.application(term.pid())->hidden);

    ASSERT_TRUE(workspace.unhide(term.pid()));
    EXPECT_TRUE(waitUntil([&] { return isOnScreen(server, window); }));
    EXPECT_FALSE(workspace.application(term.pid())->hidden);

    EXPECT_FALSE(workspace.terminate(::getpid())) << "never asks itself to quit";
    ASSERT_TRUE(workspace.terminate(term.pid()));
    EXPECT_TRUE(waitUntil([&] { return workspace.application(term.pid())->terminated; }));
    EXPECT_FALSE(workspace.hide(term.pid()));
}

}  // namespace
