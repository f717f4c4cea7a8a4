#include "platform/ui/UiFont.h"

#include "support/QtTestApplication.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

namespace {

// The ink a line of text leaves, in whole black pixels.
double ink(const ui::FontSpec& spec, const QString& text)
{
    QImage image(400, 40, QImage::Format_Grayscale8);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setFont(ui::font(spec));
    painter.setPen(Qt::black);
    painter.drawText(4, 28, text);
    painter.end();
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += 255 - qGray(image.pixel(x, y));
    return sum / 255;
}

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

// Semibold and bold titles look heavier than body text in every script, CJK included;
// medium stays with the regular face everywhere.
TEST(UiFont, HeavyWeightsDrawHeavierInEveryScript)
{
    testsupport::ensureQtApplication();
    using Weight = ui::FontSpec::Weight;
    for (const char* title :
         {"小窗相关设置", "小視窗相關設定", "ミニウインドウの設定", "미니 윈도우 설정", "Mini window"}) {
        const QString text = QString::fromUtf8(title);
        const double regular = ink({15}, text);
        EXPECT_GT(ink({15, Weight::semibold}, text), 1.25 * regular) << title;
        EXPECT_GT(ink({15, Weight::bold}, text), 1.25 * regular) << title;
        EXPECT_NEAR(ink({15, Weight::medium}, text), regular, 0.05 * regular) << title;
    }
}

}  // namespace
