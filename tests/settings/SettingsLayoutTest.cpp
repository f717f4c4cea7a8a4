#include "settings/SettingsLayout.h"

#include <gtest/gtest.h>

TEST(SettingsSnap, HalvesGoAwayFromZero)
{
    EXPECT_DOUBLE_EQ(settings::snap(0.37, 20), 0.35);
    EXPECT_DOUBLE_EQ(settings::snap(1.26, 10), 1.3);
    EXPECT_DOUBLE_EQ(settings::snap(0.25, 10), 0.3);
}
