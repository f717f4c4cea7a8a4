#include "platform/sim/CoverIndex.h"
#include "platform/sim/SimWorld.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using sim::Box;

// Every hiding window in front subtracted from the window's parts on the displays.
bool coveredByAllInFront(const std::vector<Box>& displays, const std::vector<Box>& boxes,
                         const std::vector<bool>& hides, std::size_t rank)
{
    std::vector<Box> visible;
    for (const Box& d : displays)
        if (sim::overlaps(boxes[rank], d))
            visible.push_back({std::max(boxes[rank].x0, d.x0), std::max(boxes[rank].y0, d.y0),
                               std::min(boxes[rank].x1, d.x1), std::min(boxes[rank].y1, d.y1)});
    if (visible.empty()) return false;
    for (std::size_t i = 0; i < rank; ++i) {
        if (!hides[i]) continue;
        const Box& c = boxes[i];
        std::vector<Box> next;
        for (const Box& r : visible) {
            if (!sim::overlaps(r, c)) {
                next.push_back(r);
                continue;
            }
            const Box o{std::max(r.x0, c.x0), std::max(r.y0, c.y0), std::min(r.x1, c.x1), std::min(r.y1, c.y1)};
            if (o.y0 > r.y0) next.push_back({r.x0, r.y0, r.x1, o.y0});
            if (o.y1 < r.y1) next.push_back({r.x0, o.y1, r.x1, r.y1});
            if (o.x0 > r.x0) next.push_back({r.x0, o.y0, o.x0, o.y1});
            if (o.x1 < r.x1) next.push_back({o.x1, o.y0, r.x1, o.y1});
        }
        visible.swap(next);
        if (visible.empty()) return true;
    }
    return false;
}

// Frames on a coarse lattice, so that edges meet exactly and at cell borders, with
// repeated frames, windows reaching off the displays and empty ones.
Box latticeBox(std::mt19937& random)
{
    std::uniform_int_distribution<int> x(-4, 60);
    std::uniform_int_distribution<int> y(-4, 24);
    std::uniform_int_distribution<int> size(0, 30);
    const double x0 = x(random) * 50.0;
    const double y0 = y(random) * 50.0;
    return {x0, y0, x0 + size(random) * 50.0, y0 + size(random) * 25.0};
}

TEST(CoverIndexTest, AgreesWithSubtractingEveryWindowInFront)
{
    const std::vector<Box> displays{{0, 0, 1512, 982}, {1512, -100, 3432, 980}, {-5000, -5000, -4000, -4000}};
    for (unsigned seed = 1; seed <= 40; ++seed) {
        std::mt19937 random(seed);
        const std::size_t count = 1 + seed * 7;
        std::vector<Box> boxes;
        std::vector<bool> hides;
        std::bernoulli_distribution repeat(0.2), hiding(0.85);
        for (std::size_t i = 0; i < count; ++i) {
            boxes.push_back(i > 0 && repeat(random) ? boxes[random() % i] : latticeBox(random));
            hides.push_back(hiding(random));
        }
        const sim::CoverIndex index(displays, boxes, hides);
        for (std::size_t rank = 0; rank < count; ++rank)
            ASSERT_EQ(index.covered(rank), coveredByAllInFront(displays, boxes, hides, rank))
                << "seed " << seed << " rank " << rank;
    }
    // No displays: nothing is on one to be covered.
    const std::vector<Box> boxes{{0, 0, 10, 10}, {0, 0, 10, 10}};
    EXPECT_FALSE(sim::CoverIndex({}, boxes, {true, true}).covered(1));
}

// A window's cover state after any run of changes is the one a world set up afresh in
// that final state computes.
class SimWorldCoverTest : public testsupport::VirtualTimeTest {};

TEST_F(SimWorldCoverTest, ChangesKeepTheCoverStateOfAWorldBuiltAtOnce)
{
    desktop::DisplayInfo display;
    display.id = 1;
    display.frame = core::Rect(0, 0, 1512, 982);
    std::mt19937 random(8);
    const auto frame = [&] {
        const Box b = latticeBox(random);
        return core::Rect(b.x0, b.y0, b.x1 - b.x0, b.y1 - b.y0);
    };

    sim::SimWorld world;
    world.addDisplay(display);
    for (desktop::Pid pid : {501, 502, 503}) {
        sim::SimApp app;
        app.info.pid = pid;
        world.addApp(app);
    }
    std::vector<sim::SimWindow> windows;
    for (desktop::WindowID id = 1; id <= 60; ++id) {
        sim::SimWindow window;
        window.id = id;
        window.pid = 501 + id % 3;
        window.frame = frame();
        windows.push_back(window);
    }
    world.addWindows(windows);

    for (int change = 0; change < 300; ++change) {
        const desktop::WindowID id = 1 + random() % 70;
        switch (random() % 6) {
        case 0: world.setFrame(id, frame()); break;
        case 1: world.raise(id); break;
        case 2: world.setMinimized(id, random() % 3 == 0); break;
        case 3: world.removeWindow(id); break;
        case 4: {
            sim::SimWindow window;
            window.id = id;
            window.pid = 501 + id % 3;
            window.frame = frame();
            world.addWindow(window, random() % 2 == 0);
            break;
        }
        case 5: world.setHidden(501 + random() % 3, random() % 4 == 0); break;
        }

        sim::SimWorld fresh;
        fresh.addDisplay(display);
        for (const auto& app : world.apps()) fresh.addApp(app);
        fresh.addWindows(world.stack());
        for (const auto& window : world.stack())
            ASSERT_EQ(world.isCovered(window.id), fresh.isCovered(window.id))
                << "window " << window.id << " after change " << change;
    }
}

}  // namespace
