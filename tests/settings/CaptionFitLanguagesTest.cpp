#include "settings/GuideSceneFixture.h"
#include "settings/SettingsLayout.h"
#include "settings/guide/CaptionFit.h"
#include "platform/core/ByteText.h"

#include <algorithm>
#include <array>
#include <set>

// Every caption of every step, in each of the eight interface languages, lies 12 pt inside
// the canvas with its text fitting at 10 pt or more; the CJK captions keep 11.5 pt per
// character plus 22.
TEST_F(GuideSceneTest, EveryCaptionFitsTheCanvasInEveryLanguage)
{
    const std::set<int> cjk{1, 3, 4, 8};  // zh-Hans, ja, ko, zh-Hant
    const std::array captionsPerStep{2, 2, 1, 3, 3};
    for (int language = 1; language <= 8; ++language) {
        defaults::Defaults::standard().set("appLanguage", language);
        for (int step = 1; step <= 5; ++step) {
            const auto canvas = build(step);
            int captions = 0;
            for (const auto& layer : canvas->sublayers()) {
                if (layer->name.rfind("caption", 0) != 0 && layer->name != "defaultLabel") continue;
                ++captions;
                const std::string where = std::to_string(language) + " step " + std::to_string(step) + " " + layer->name;
                const core::Rect pill = layer->frame();
                EXPECT_GE(pill.minX(), 12 - 1e-6) << where;
                EXPECT_LE(pill.maxX(), 728 + 1e-6) << where;

                const auto textLayer = std::find_if(layer->sublayers().begin(), layer->sublayers().end(),
                                                    [](const auto& l) { return l->kind() == ui::Layer::Kind::text; });
                ASSERT_NE(textLayer, layer->sublayers().end()) << where;
                const ui::Layer& text = **textLayer;
                EXPECT_GE(text.font.points, 10) << where;
                EXPECT_LE(settings::qtTextMeasurer().width(text.text, text.font), text.size.width)
                    << where << " " << text.text;
                if (cjk.count(language)) {
                    EXPECT_DOUBLE_EQ(pill.width(), 11.5 * static_cast<double>(core::codePointCount(text.text)) + 22)
                        << where;
                    EXPECT_DOUBLE_EQ(text.font.points, 11.5) << where;
                }
            }
            EXPECT_EQ(captions, captionsPerStep[step - 1]) << language << " step " << step;
        }
    }
    EXPECT_EQ(linesWith("L10n 缺翻译"), std::vector<std::string>{});
}
