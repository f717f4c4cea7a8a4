#include "ParkedWorld.h"

#include "parking/WindowParking.h"
#include "parking/ledger/WindowList.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

namespace {

using Outcome = ParkingService::RescueOutcome;

// Covers, uncovers, activations, focus, closes, refused, slow, late and off-target moves,
// a vanishing display and a virtual display already there at launch, in random order:
// parking never strands a window on a virtual display, and after quit every window it
// ever parked is on a real display, at its place unless its application shifts moves.
class ParkingRandomizedTest : public testsupport::ParkedWorldTest {
protected:
    static constexpr desktop::Pid slowApp = 400;      // its moves settle 0.3 s late
    static constexpr desktop::Pid refusingApp = 500;  // refuses every move
    static constexpr desktop::Pid lateApp = 600;      // settles after the read-backs gave up
    static constexpr desktop::Pid shiftingApp = 700;  // lands 3 pt right of every target
    static constexpr desktop::Pid lostApp = 800;      // its window starts on the virtual display
    static constexpr desktop::DisplayID side = 2;
    static constexpr desktop::DisplayID leftOver = 90;
    static constexpr desktop::WindowID lostWindow = 17;

    void SetUp() override
    {
        ParkedWorldTest::SetUp();
        desktop::DisplayInfo display;
        display.id = side;
        display.frame = core::Rect(1512, 0, 1280, 800);
        display.visibleFrame = core::Rect(1512, 25, 1280, 775);
        display.scale = 1;
        display.mode = {1280, 800, 1280, 800, 60};
        display.physicalSizeMM = {300, 190};
        display.name = "Side";
        world().addDisplay(display);

        sim::AppBehavior slow;
        slow.settleDelay = 0.3;
        addApp(slowApp, "Slow", "", slow);
        sim::AppBehavior stiff;
        stiff.refuseMoves = desktop::ax::cannotComplete;
        addApp(refusingApp, "Stiff", "", stiff);
        sim::AppBehavior late;
        late.settleDelay = 0.6;
        addApp(lateApp, "Late", "", late);
        sim::AppBehavior shifting;
        shifting.shiftMoves = core::Point{3, 0};
        addApp(shiftingApp, "Shifty", "", shifting);
        addApp(lostApp, "Lost");
        addWindow(notes, 12, {900, 300, 400, 300}, "Second");
        addWindow(slowApp, 13, {1700, 100, 600, 400}, "Slow");
        addWindow(refusingApp, 14, {300, 500, 500, 300}, "Stiff");
        addWindow(lateApp, 15, {200, 150, 500, 350}, "Late");
        addWindow(shiftingApp, 16, {1600, 450, 500, 300}, "Shifty");
        sources_ = {source, 12, 13, 14, 15, 16};
        WindowParking::hasMiniWindows = false;
    }

    // A virtual display left over from an earlier run, with another application's window
    // on it, as the launch finds them.
    void launchWithLeftOverDisplay()
    {
        desktop::DisplayInfo display;
        display.id = leftOver;
        display.frame = core::Rect(0, 1200, 1512, 982);
        display.visibleFrame = display.frame;
        display.mode = {1512, 982, 1512, 982, 60};
        display.isVirtual = true;
        world().addDisplay(display);
        addWindow(lostApp, lostWindow, {100, 1300, 600, 400}, "Lost");
        displayController().adoptDeclaredDisplays();
        parking().watchVirtualDisplaysAtLaunch();
    }

    desktop::Pid ownerOf(desktop::WindowID id) { return world().window(id).value().pid; }

    // A window counts as on a virtual display when its centre lies on a live one or on a
    // zombie.
    bool onVirtualDisplay(const core::Rect& frame)
    {
        const auto display = parking::windowlist::display(frame);
        return displayController().isVirtual(display) || displayController().isZombie(display);
    }

    bool onRealScreen(const core::Rect& frame)
    {
        for (const auto& display : world().displays())
            if (!display.isVirtual && display.frame.contains(core::Point{frame.midX(), frame.midY()})) return true;
        return false;
    }

    // What the foreign-window watcher takes up: another application's window on the normal
    // layer, on screen, at least 200 x 150.
    bool foreignWatcherCounts(const sim::SimWindow& window)
    {
        return window.pid != world().ownPid() && window.layer == 0 && world().isOnScreen(window.id) &&
               window.frame.width() >= 200 && window.frame.height() >= 150;
    }

    void expectNoWindowStranded(const std::string& step)
    {
        const auto records = onQueue([&] {
            std::set<desktop::WindowID> ids;
            for (const auto* table : {&parking().parkedRecords(), &parking().strayedRecords(), &parking().lentRecords(),
                                      &parking().pendingParkRecords()})
                for (const auto& [id, record] : *table) ids.insert(id);
            return ids;
        });
        for (const auto& window : world().stack()) {
            if (window.pid == world().ownPid() || !onVirtualDisplay(window.frame)) continue;
            EXPECT_TRUE(records.contains(window.id) || foreignWatcherCounts(window))
                << "window " << window.id << " stranded after " << step;
        }
    }

    // The place each window was last parked from.
    void noteParked()
    {
        for (const auto& [id, record] : onQueue([&] { return parking().parkedRecords(); }))
            everParked_[id] = record.originalFrame;
    }

    void run(unsigned seed)
    {
        clearLog();
        everParked_.clear();
        std::mt19937 random(seed);
        const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
        const bool leftOverDisplay = seed % 2 == 0;
        if (leftOverDisplay) launchWithLeftOverDisplay();
        std::vector<desktop::WindowID> covers;
        desktop::WindowID nextCover = 100;
        bool sideGone = false;

        for (int step = 0; step < 80; ++step) {
            const desktop::WindowID target = sources_[pick(static_cast<int>(sources_.size()))];
            std::string what;
            switch (pick(9)) {
            case 0:
            case 1: {
                const auto frame = world().window(target).value().frame;
                if (onVirtualDisplay(frame)) break;
                covers.push_back(cover(nextCover++, frame.insetBy(-20, -20)));
                what = "cover " + std::to_string(target);
                break;
            }
            case 2:
                if (covers.empty()) break;
                world().removeWindow(covers[pick(static_cast<int>(covers.size()))]);
                std::erase_if(covers, [&](desktop::WindowID id) { return !world().window(id); });
                what = "uncover";
                break;
            case 3:
            case 4: {
                const auto outcome = park(target);
                what = "park " + std::to_string(target) + " -> " + std::to_string(static_cast<int>(outcome));
                break;
            }
            case 5:
                parking().restoreForActivatedApp(ownerOf(target), ownerOf(target));
                what = "activate " + std::to_string(ownerOf(target));
                break;
            case 6:
                onQueue([&] { return parking().bringBackForUser(target); });
                what = "focus " + std::to_string(target);
                break;
            case 7:
                parking().restoreAsync(target);
                what = "close " + std::to_string(target);
                break;
            case 8:
                if (sideGone || pick(4) != 0) break;
                world().removeDisplay(side);
                sideGone = true;
                what = "side display gone";
                break;
            }
            clock().advance(0.25 * (1 + pick(8)));
            noteParked();
            if (!what.empty()) expectNoWindowStranded(what);
        }

        // Quit: every record as it stands, then the blocking restore.
        const auto atQuit = onQueue([&] {
            auto records = parking().parkedRecords();
            records.insert(parking().strayedRecords().begin(), parking().strayedRecords().end());
            return records;
        });
        parks_ += static_cast<int>(logged("已停放 ").size());
        restores_ += static_cast<int>(logged("已还原").size());
        parkedAtQuit_ += static_cast<int>(atQuit.size());
        parking().restoreAllBlocking(3.0);
        clock().advance(5);
        for (const auto& [id, originalFrame] : everParked_) {
            const auto frame = world().window(id).value().frame;
            const bool homeGone = !onRealScreen(originalFrame);
            // A window whose screen went while it was not parked is none of parking's doing.
            if (homeGone && !atQuit.contains(id)) continue;
            EXPECT_TRUE(onRealScreen(frame)) << "seed " << seed << ": window " << id << " out of sight";
            if (homeGone || ownerOf(id) == shiftingApp) continue;
            EXPECT_LE(std::abs(frame.minX() - originalFrame.minX()), 2) << "seed " << seed << " " << id;
            EXPECT_LE(std::abs(frame.minY() - originalFrame.minY()), 2) << "seed " << seed << " " << id;
        }
        if (leftOverDisplay) {
            EXPECT_TRUE(onRealScreen(world().window(lostWindow).value().frame)) << "seed " << seed;
        }
        expectNoWindowStranded("quit");
    }

    std::vector<desktop::WindowID> sources_;
    std::map<desktop::WindowID, core::Rect> everParked_;
    int parks_ = 0;
    int restores_ = 0;
    int parkedAtQuit_ = 0;
};

TEST_F(ParkingRandomizedTest, NoWindowIsStrandedAndQuitBringsEveryParkedWindowHome)
{
    for (unsigned seed = 1; seed <= 6; ++seed) {
        SCOPED_TRACE(seed);
        run(seed);
        if (HasFailure()) break;
        // The next seed starts from a fresh desktop and controller.
        TearDown();
        SetUp();
    }
    // The runs must have parked, given back and quit with windows parked to mean anything.
    EXPECT_GT(parks_, 10);
    EXPECT_GT(restores_, 5);
    EXPECT_GT(parkedAtQuit_, 2);
}

}  // namespace
