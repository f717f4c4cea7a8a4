#include "settings/guide/SceneDump.h"
#include "settings/guide/SceneToolkit.h"

#include <gtest/gtest.h>

namespace {

void expectNumbers(const nlohmann::ordered_json& actual, std::vector<double> expected)
{
    ASSERT_TRUE(actual.is_array()) << actual.dump();
    ASSERT_EQ(actual.size(), expected.size()) << actual.dump();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_TRUE(actual[i].is_number_float()) << actual.dump();
        EXPECT_NEAR(actual[i].get<double>(), expected[i], 1e-6) << actual.dump() << " [" << i << "]";
    }
}

}  // namespace

TEST(GuideSceneDump, NamedLayersInDrawingOrderInCanvasPoints)
{
    ui::Layer canvas;
    ui::Layer& pip = canvas.addSublayer();
    pip.name = "pip1";
    pip.setFrame({550.936, 372.664, 129.024, 80.976});
    guide::opacityLoop(pip, {0, 1}, {0, 0.5}, 16, 0);

    ui::Layer& container = canvas.addSublayer();
    container.setFrame({0, 0, 740, 480});
    ui::Layer& dock = container.addSublayer();
    dock.setFrame({260.8, 62.2, 218.4, 30.24});
    ui::Layer& icon = dock.addSublayer();
    icon.name = "dockIcon";
    icon.setFrame({63.84, 3.78, 22.68, 22.68});
    guide::scaleLoop(icon, {1, 1.35}, {0, 1}, 16);

    ui::Layer& pointer = canvas.addSublayer();
    pointer.name = "pointer";
    pointer.setFrame({0, 0, 13, 19});
    guide::moveLoop(pointer, {{170, 115}, {391, 370.48}}, {0, 1}, 16);

    const nlohmann::ordered_json actors = guide::sceneActorsJson(canvas, 8);
    std::vector<std::string> names;
    for (const auto& [name, value] : actors.items()) names.push_back(name);
    EXPECT_EQ(names, (std::vector<std::string>{"pip1", "dockIcon", "pointer"}));

    expectNumbers(actors["pip1"]["frame"], {550.936, 372.664, 129.024, 80.976});
    EXPECT_NEAR(actors["pip1"]["opacity"].get<double>(), 1, 1e-9);

    // The icon's frame and anchor follow its dock into the canvas; its scale is half way.
    expectNumbers(actors["dockIcon"]["frame"], {324.64, 65.98, 22.68, 22.68});
    expectNumbers(actors["dockIcon"]["position"], {335.98, 77.32});
    EXPECT_NEAR(actors["dockIcon"]["scale"].get<double>(), 1.175, 1e-6);

    // Model frame where the pointer was built, position where the track has it.
    expectNumbers(actors["pointer"]["frame"], {0, 0, 13, 19});
    expectNumbers(actors["pointer"]["position"], {280.5, 242.74});
    EXPECT_TRUE(actors["pointer"]["scale"].is_number_float());
    EXPECT_EQ(actors["pointer"]["scale"].dump(), "1.0");
}
