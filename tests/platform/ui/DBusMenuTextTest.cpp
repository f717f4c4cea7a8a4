#include "platform/ui/DBusMenuText.h"

#include <gtest/gtest.h>

// What Qt is given: it turns the first "&" into the tray's access-key marker "_", after
// which the tray shows the text as written.
TEST(DBusMenuText, UnderscoresAreDoubledAndAnAmpersandIsPrecededByAMarkerForQtToTurn)
{
    EXPECT_EQ(ui::dbusMenuText("a_b__c"), "a__b____c");
    EXPECT_EQ(ui::dbusMenuText("_x_ & y"), "__&x__ & y");
    EXPECT_EQ(ui::dbusMenuText("· 帮助 & 反馈"), "· &帮助 & 反馈");
    EXPECT_EQ(ui::dbusMenuText("& more"), "&& more");  // no letter ahead of the "&"
}
