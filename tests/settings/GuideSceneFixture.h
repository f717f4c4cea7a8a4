#pragma once

#include "platform/defaults/Defaults.h"
#include "platform/ui/Layer.h"
#include "settings/guide/GuideScenes.h"
#include "support/DiagLines.h"
#include "support/QtTestApplication.h"

#include <array>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

// The guide's scenes built on a 740 x 480 canvas, in Simplified Chinese unless a test
// picks another language, with the diagnostics log readable.
class GuideSceneTest : public testsupport::DiagTest {
protected:
    using SceneBuilder = void (*)(ui::Layer&);
    static constexpr std::array<SceneBuilder, 5> scenes{guide::demoTrigger, guide::demoHoverPreview,
                                                        guide::demoPinPreview, guide::demoOpenOriginal,
                                                        guide::demoResizeAndDefault};

    void SetUp() override
    {
        testsupport::DiagTest::SetUp();
        testsupport::ensureQtApplication();
        defaults::Defaults::standard().set("appLanguage", 1);
    }

    // Step 1...5.
    static std::unique_ptr<ui::Layer> build(int step)
    {
        auto canvas = std::make_unique<ui::Layer>();
        canvas->setFrame({0, 0, 740, 480});
        scenes.at(static_cast<std::size_t>(step - 1))(*canvas);
        return canvas;
    }

    static void visit(const ui::Layer& layer, const std::function<void(const ui::Layer&)>& see)
    {
        see(layer);
        for (const auto& sublayer : layer.sublayers()) visit(*sublayer, see);
    }

    // Named layers in drawing order.
    static std::vector<std::string> actorNames(const ui::Layer& canvas)
    {
        std::vector<std::string> names;
        visit(canvas, [&](const ui::Layer& layer) {
            if (!layer.name.empty()) names.push_back(layer.name);
        });
        return names;
    }

    static const ui::Layer& actor(const ui::Layer& canvas, const std::string& name)
    {
        const ui::Layer* found = nullptr;
        visit(canvas, [&](const ui::Layer& layer) {
            if (!found && layer.name == name) found = &layer;
        });
        if (!found) throw std::runtime_error("no actor " + name);
        return *found;
    }
};
