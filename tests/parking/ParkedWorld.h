#pragma once

#include "parking/display/DisplayController.h"
#include "parking/ledger/ParkingController.h"
#include "parking/ledger/VDLog.h"
#include "platform/sim/SimVirtualDisplays.h"
#include "support/SimDesktopTest.h"

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// A simulated desktop with a parking controller of its own, on which windows really park:
// Notes (pid 200) owns window 11 at (80,80 700x500); Cover (pid 300) owns the covering
// windows the tests add. The controller's log lines are kept, without "[VD] ".
class ParkedWorldTest : public SimDesktopTest {
protected:
    static constexpr desktop::Pid notes = 200;
    static constexpr desktop::Pid coverApp = 300;
    static constexpr desktop::WindowID source = 11;
    inline static const core::Rect home{80, 80, 700, 500};

    void SetUp() override
    {
        SimDesktopTest::SetUp();
        VDLog::sink = [this](const std::string& line) {
            lines_.push_back(line.rfind("[VD] ", 0) == 0 ? line.substr(5) : line);
        };
        parking::ParkingController::onScreenQueryVerified = false;
        parking::ParkingController::onScreenOnlyCoversVirtual = true;
        addApp(notes, "Notes");
        addApp(coverApp, "Cover");
        addWindow(notes, source, home, "Note");
        displays_ = std::make_unique<parking::DisplayController>();
        controller_ = std::make_shared<parking::ParkingController>(dispatch::Queue("test.windowparking"), *displays_);
    }

    void TearDown() override
    {
        controller_.reset();
        clock().runUntilIdle();
        displays_.reset();
        VDLog::sink = [](const std::string&) {};
        SimDesktopTest::TearDown();
    }

    parking::ParkingController& parking() { return *controller_; }
    parking::DisplayController& displayController() { return *displays_; }

    // Runs f on the parking queue, as the callers of the public operations do.
    template <class F>
    auto onQueue(F&& f)
    {
        return controller_->queue().syncResult(std::forward<F>(f));
    }

    // A window of the cover application over the frame, in front of the others.
    desktop::WindowID cover(desktop::WindowID id, const core::Rect& frame = home.insetBy(-20, -20))
    {
        return addWindow(coverApp, id, frame, "Cover");
    }

    // One of this application's own normal-level windows, in front.
    desktop::WindowID addOwnWindow(const core::Rect& frame)
    {
        sim::SimWindow own;
        own.id = world().allocateWindowNumber();
        own.pid = world().ownPid();
        own.own = true;
        own.ownVisible = true;
        own.frame = frame;
        world().addWindow(own);
        return own.id;
    }

    sim::SimVirtualDisplays& virtualDisplays()
    {
        return dynamic_cast<sim::SimVirtualDisplays&>(*desktop().virtualDisplays);
    }

    // The source's virtual display ends the way the system ends one and then lingers for
    // good; a park of the second window (over whose place the cover app puts a window)
    // makes the controller give it up as a zombie and make a new display.
    void zombifySourceDisplay(desktop::WindowID second, const core::Rect& secondFrame)
    {
        sim::SimVirtualDisplays::Options options;
        options.lingerCommits = std::nullopt;
        virtualDisplays().setOptions(options);
        const desktop::DisplayID first = displays_->liveDisplayIDs().at(0);
        ASSERT_TRUE(virtualDisplays().terminate(first));
        clock().runUntilIdle();  // the termination notice arrives on the main queue
        addWindow(notes, second, secondFrame, "Second");
        cover(29, secondFrame.insetBy(-10, -10));
        ASSERT_EQ(park(second), ParkingService::RescueOutcome::parked);
        ASSERT_TRUE(displays_->isZombie(first));
        ASSERT_TRUE(desktop::displays().display(first)) << "it lingers";
    }

    ParkingService::RescueOutcome park(desktop::WindowID id = source)
    {
        return onQueue([&] { return controller_->rescueOutcome(id); });
    }

    // Covers the source, parks it and takes the cover away; the place is clear from now on.
    void parkThenUncover(desktop::WindowID coverID = 21)
    {
        cover(coverID);
        ASSERT_EQ(park(), ParkingService::RescueOutcome::parked);
        world().removeWindow(coverID);
    }

    // One second: one restore-watcher tick.
    void tick(int seconds = 1) { clock().advance(seconds); }

    core::Rect frameOf(desktop::WindowID id) { return world().window(id).value().frame; }
    bool isParked(desktop::WindowID id = source)
    {
        return onQueue([&] { return controller_->parkedRecords().contains(id); });
    }
    bool isStrayed(desktop::WindowID id = source)
    {
        return onQueue([&] { return controller_->strayedRecords().contains(id); });
    }
    bool isLent(desktop::WindowID id = source)
    {
        return onQueue([&] { return controller_->lentRecords().contains(id); });
    }

    // Log lines containing the fragment, in order.
    std::vector<std::string> logged(const std::string& fragment = "") const
    {
        std::vector<std::string> found;
        for (const auto& line : lines_)
            if (line.find(fragment) != std::string::npos) found.push_back(line);
        return found;
    }
    void clearLog() { lines_.clear(); }

    // The controller's log lines, without "[VD] ".
    std::vector<std::string> lines_;

private:
    std::unique_ptr<parking::DisplayController> displays_;
    std::shared_ptr<parking::ParkingController> controller_;
};

}  // namespace testsupport
