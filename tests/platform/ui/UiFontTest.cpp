#include "platform/ui/UiFont.h"

#include "support/QtTestApplication.h"

#include <QFontInfo>
#include <QFontMetricsF>

#include <gtest/gtest.h>

namespace {

TEST(UiFont, OnePointIsOneLogicalPixelAndDigitsLineUp)
{
    testsupport::ensureQtApplication();
    EXPECT_EQ(QFontInfo(ui::font({13})).pixelSize(), 13);
    EXPECT_EQ(QFontInfo(ui::font({19})).pixelSize(), 19);
    // Fractional sizes keep their fraction.
    const double small = QFontMetricsF(ui::font({10})).horizontalAdvance("Glimra 设置");
    const double half = QFontMetricsF(ui::font({10.5})).horizontalAdvance("Glimra 设置");
    EXPECT_GT(half, small);

    const QFontMetricsF digits(ui::font({13, ui::FontSpec::Weight::semibold, true}));
    EXPECT_DOUBLE_EQ(digits.horizontalAdvance("1111"), digits.horizontalAdvance("8080"));
    EXPECT_EQ(QFontInfo(ui::font({13, ui::FontSpec::Weight::bold})).bold(), true);
}

}  // namespace
