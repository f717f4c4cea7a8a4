#pragma once

#include "platform/sim/SimWorld.h"

#include <memory>
#include <string>

inline constexpr int crowdedWindowCount = 500;
inline constexpr int crowdedAppCount = 25;

// 500 windows of 25 applications in a loose cascade over two displays, a tenth of them
// minimised.
inline std::shared_ptr<sim::SimWorld> crowdedWorld()
{
    auto world = std::make_shared<sim::SimWorld>();
    world->addDisplay(
        {1, {0, 0, 1512, 982}, {0, 25, 1512, 957}, 2, {1512, 982, 3024, 1964, 60}, {344, 222}, "Built-in"});
    world->addDisplay(
        {2, {1512, 0, 1920, 1080}, {1512, 0, 1920, 1080}, 1, {1920, 1080, 1920, 1080, 60}, {600, 340}, "Side"});
    for (int a = 0; a < crowdedAppCount; ++a) {
        sim::SimApp app;
        app.info.pid = 500 + a;
        app.info.name = "App " + std::to_string(a);
        world->addApp(app);
    }
    for (int i = 0; i < crowdedWindowCount; ++i) {
        sim::SimWindow window;
        window.id = static_cast<desktop::WindowID>(1000 + i);
        window.pid = 500 + i % crowdedAppCount;
        window.title = "Window " + std::to_string(i);
        window.frame = core::Rect((i * 37) % 3000, (i * 53) % 900, 300 + i % 200, 200 + i % 150);
        window.minimized = i % 10 == 0;
        world->addWindow(window);
    }
    return world;
}
