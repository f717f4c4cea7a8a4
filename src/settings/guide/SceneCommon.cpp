#include "settings/guide/SceneCommon.h"

#include "foundation/L10n.h"
#include "settings/guide/PelicanScene.h"

#include <utility>

namespace guide {

ui::Layer& fadingCaption(ui::Layer& canvas, const std::string& source, const std::string& name,
                         std::vector<double> times, double duration, core::Point center)
{
    ui::Layer& pill = captionPill(canvas, L10n::t(source), center);
    pill.name = name;
    opacityLoop(pill, {0, 0, 1, 1, 0}, std::move(times), duration, 0);
    return pill;
}

core::Rect atOrigin(const core::Rect& rect) { return {0, 0, rect.width(), rect.height()}; }

ContentDrawer pelicanContent(double duration)
{
    return [duration](ui::Layer& layer, const core::Rect& rect) { pelicanScene(layer, rect, duration); };
}

ContentDrawer pelicanAtOrigin(double duration)
{
    return [duration](ui::Layer& layer, const core::Rect& rect) { pelicanScene(layer, atOrigin(rect), duration); };
}

core::Rect topBarIconRect(const PipWindow& pip, std::size_t index, const core::Rect& pipRect)
{
    return pip.icons.at(index)->frame().offsetBy(pipRect.x(), pipRect.y());
}

}  // namespace guide
