#pragma once

#include "parking/display/DisplayController.h"
#include "parking/ledger/ParkingController.h"
#include "parking/ledger/VDLog.h"
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
        addApp(notes, "Notes");
        addApp(coverApp, "Cover");
        addWindow(notes, source, home, "Note");
        displays_ = std::make_unique<parking::DisplayController>();
        controller_ = std::make_shared<parking::ParkingController>(dispatch::Queue("test.windowparking"), *displays_);
    }

    void TearDown() override
    {
        controller_.reset();
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
    std::vector<std::string> logged(const std::string& fragment) const
    {
        std::vector<std::string> found;
        for (const auto& line : lines_)
            if (line.find(fragment) != std::string::npos) found.push_back(line);
        return found;
    }
    void clearLog() { lines_.clear(); }

    std::vector<std::string> lines_;

private:
    std::unique_ptr<parking::DisplayController> displays_;
    std::shared_ptr<parking::ParkingController> controller_;
};

}  // namespace testsupport
