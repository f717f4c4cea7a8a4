#include "settings/SettingsTabFixture.h"

#include "platform/ui/Symbols.h"
#include "platform/ui/SystemColors.h"

#include <QImage>
#include <QPainter>

namespace {

constexpr int hotkeyTab = 1;

QImage pictureOf(QWidget& view)
{
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    view.render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

QImage drawn(const std::string& symbol, const QSize& size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    ui::drawSymbol(painter, symbol, QRectF(0, 0, size.width(), size.height()), ui::systemColor("systemBlue"));
    return image;
}

}  // namespace

// The ⌘ glyph of the show/hide row names a key only a desktop writing keys in symbols has;
// a desktop writing them in words shows the row's eye instead.
TEST_F(SettingsTabTest, TheShowHideRowShowsCommandInSymbolsAndAnEyeInWords)
{
    const auto rowSymbol = [&]() -> QImage {
        const auto* row = find<SettingsRowView>("toggleHotKeyRow");
        auto* symbol = row ? row->findChild<ui::SymbolView*>() : nullptr;
        return symbol ? pictureOf(*symbol) : QImage();
    };

    open(hotkeyTab);
    const QImage inSymbols = rowSymbol();
    ASSERT_FALSE(inSymbols.isNull());
    EXPECT_EQ(inSymbols, drawn("command", inSymbols.size()));

    delete SettingsWindow::existing();
    desktop().conventions.keyNotation = desktop::Conventions::KeyNotation::words;
    open(hotkeyTab);
    const QImage inWords = rowSymbol();
    ASSERT_FALSE(inWords.isNull());
    EXPECT_EQ(inWords, drawn("eye", inWords.size()));
    EXPECT_NE(inWords, inSymbols);
}
