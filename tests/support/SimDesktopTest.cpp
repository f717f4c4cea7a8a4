#include "support/SimDesktopTest.h"

#include "platform/desktop/Capture.h"
#include "platform/sim/SimDesktop.h"

namespace testsupport {

void SimDesktopTest::SetUp()
{
    VirtualTimeTest::SetUp();
    world_ = std::make_shared<sim::SimWorld>();
    desktop::DisplayInfo display;
    display.id = 1;
    display.frame = core::Rect(0, 0, 1512, 982);
    display.visibleFrame = core::Rect(0, 25, 1512, 957);
    display.scale = 2;
    display.mode = {1512, 982, 3024, 1964, 60};
    display.physicalSizeMM = {344, 222};
    display.name = "Display 1";
    display.isBuiltin = true;
    world_->addDisplay(display);
    world_->setJournal([journal = journal_](const nlohmann::json& line) { journal->push_back(line); });
    desktop_ = sim::makeSimDesktop(world_);
    desktop::install(desktop_);
}

void SimDesktopTest::TearDown()
{
    scheduler_->runUntilIdle();
    desktop::install(nullptr);
    desktop_.reset();
    world_.reset();
    VirtualTimeTest::TearDown();
}

desktop::Pid SimDesktopTest::addApp(desktop::Pid pid, const std::string& name, const std::string& bundleID,
                                    const sim::AppBehavior& behavior)
{
    sim::SimApp app;
    app.info.pid = pid;
    app.info.name = name;
    app.info.bundleIdentifier = bundleID;
    app.info.bundlePath = "/Applications/" + name + ".app";
    app.behavior = behavior;
    world_->addApp(app);
    return pid;
}

desktop::WindowID SimDesktopTest::addWindow(desktop::Pid pid, desktop::WindowID id, const core::Rect& frame,
                                            const std::string& title, long layer, sim::Content content)
{
    sim::SimWindow window;
    window.id = id;
    window.pid = pid;
    window.title = title;
    window.frame = frame;
    window.layer = layer;
    window.content = content;
    world_->addWindow(window);
    return id;
}

std::vector<nlohmann::json> SimDesktopTest::journalOf(const std::string& what) const
{
    std::vector<nlohmann::json> found;
    for (const auto& line : *journal_)
        if (line.value("do", "") == what) found.push_back(line);
    return found;
}

desktop::ShareableWindow SimDesktopTest::shareableWindow(desktop::WindowID id)
{
    desktop::ShareableWindow found;
    desktop::capture().shareableContent(
        false, false, [&](std::optional<desktop::ShareableContent> content, std::optional<desktop::Error>) {
            if (!content) return;
            for (const auto& window : content->windows)
                if (window.windowID == id) found = window;
        });
    clock().runUntilIdle();
    return found;
}

}  // namespace testsupport
