#include "app/MenuShot.h"

#include "app/MenuThumbnail.h"
#include "foundation/Diag.h"

#include <algorithm>

namespace MenuShot {

bool mode(const std::vector<std::string>& args)
{
    return std::find(args.begin(), args.end(), "-glimra-menu-shot") != args.end();
}

std::string path() { return MenuThumbnail::directory() + "/menu-shot.png"; }

int takeShot()
{
    Diag::log("菜单截图: 后台计时器触发");
    return MenuThumbnail::debugShot(path()) ? 0 : 1;
}

}  // namespace MenuShot
