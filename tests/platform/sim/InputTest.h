#pragma once

#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimInput.h"
#include "support/SimDesktopTest.h"

#include <vector>

namespace testsupport {

// The simulated desktop with an editor (pid 501) in front, its window at
// (100, 100, 400, 300), and the simulated input and hot keys at hand.
class InputTest : public SimDesktopTest {
protected:
    static constexpr desktop::Pid editorPid = 501;
    static constexpr desktop::WindowID editorWindow = 4242;

    void SetUp() override
    {
        SimDesktopTest::SetUp();
        addApp(editorPid, "Editor", "com.example.editor");
        addWindow(editorPid, editorWindow, core::Rect(100, 100, 400, 300), "Notes");
        world().setFrontmost(editorPid);
        input = std::dynamic_pointer_cast<sim::SimInput>(desktop().input);
        hotKeys = std::dynamic_pointer_cast<sim::SimHotKeys>(desktop().hotKeys);
        ASSERT_TRUE(input && hotKeys);
    }

    // A visible own window whose sink keeps what it gets.
    desktop::WindowID addOwnWindow(const core::Rect& frame, std::vector<desktop::Event>& received,
                                   bool ignoresMouseEvents = false)
    {
        desktop::OwnWindowState state;
        state.frame = frame;
        state.level = desktop::level::floating;
        state.visible = true;
        state.ignoresMouseEvents = ignoresMouseEvents;
        return desktop().windowServer->registerOwnWindow(
            state, {}, [&received](const desktop::Event& e) { received.push_back(e); });
    }

    static desktop::Event mouseEvent(desktop::EventType type, core::Point at, int clickState = 1)
    {
        desktop::Event event;
        event.type = type;
        event.location = at;
        event.clickState = clickState;
        return event;
    }

    std::shared_ptr<sim::SimInput> input;
    std::shared_ptr<sim::SimHotKeys> hotKeys;
};

}  // namespace testsupport
