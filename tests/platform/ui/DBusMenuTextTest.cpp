#include "platform/ui/DBusMenuText.h"

#include <gtest/gtest.h>

namespace {

// What Qt is given for each text: Qt turns its first "&" into the tray's access-key
// marker "_", after which the tray shows the text as written.
TEST(DBusMenuText, UnderscoresAreDoubledAndAnAmpersandIsPrecededByAMarkerForQtToTurn)
{
    const std::pair<std::string, std::string> cases[] = {
        {"Quit Glimra", "Quit Glimra"},
        {"snake_case__name", "snake__case____name"},
        {"Help & Feedback…", "&Help & Feedback…"},
        {"Tom && Jerry & _x_", "&Tom && Jerry & __x__"},
        {"_x_ & y", "__&x__ & y"},
        {"· 帮助 & 反馈", "· &帮助 & 反馈"},
        // No letter ahead of the "&": the marker has nowhere else to go.
        {"& more", "&& more"},
        {"Tom &", "&Tom &"},
    };
    for (const auto& [written, forQt] : cases) EXPECT_EQ(ui::dbusMenuText(written).toStdString(), forQt) << written;
}

}  // namespace
