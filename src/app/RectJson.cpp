#include "app/RectJson.h"

namespace app {

nlohmann::ordered_json rectJson(const core::Rect& r)
{
    return nlohmann::ordered_json::array({r.x(), r.y(), r.width(), r.height()});
}

}  // namespace app
