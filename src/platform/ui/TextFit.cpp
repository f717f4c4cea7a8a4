#include "platform/ui/TextFit.h"

#include "platform/ui/LiteralText.h"
#include "platform/ui/Switch.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionComboBox>
#include <QTextDocumentFragment>
#include <QTextLayout>

namespace ui {

namespace {

// Widget frames are whole pixels: a frame measured to fit may lose up to one in rounding.
constexpr double roundingSlack = 1;

// Where a widget draws its text.
QRectF textArea(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        const int margin = label->margin();
        return QRectF(label->contentsRect().adjusted(margin, margin, -margin, -margin));
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) {
        QStyleOptionComboBox option;
        option.initFrom(combo);
        option.editable = combo->isEditable();
        option.frame = combo->hasFrame();
        option.currentText = combo->currentText();
        return QRectF(combo->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, combo));
    }
    if (const auto* box = qobject_cast<const QCheckBox*>(&widget)) {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        return QRectF(box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box));
    }
    if (const auto* button = qobject_cast<const QPushButton*>(&widget)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.text = button->text();
        option.icon = button->icon();
        option.iconSize = button->iconSize();
        QRectF area(button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button));
        if (!button->icon().isNull()) area.setWidth(area.width() - button->iconSize().width() - 4);
        return area;
    }
    return QRectF(widget.contentsRect());
}

bool wrappedTextClipped(const QString& text, const QFont& font, const QRectF& area)
{
    int lines = 0;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QTextLayout layout(paragraph, font);
        QTextOption option;
        option.setWrapMode(QTextOption::WordWrap);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(area.width());
            if (line.naturalTextWidth() > area.width() + roundingSlack) return true;
            ++lines;
        }
        layout.endLayout();
    }
    return lines * QFontMetricsF(font).lineSpacing() > area.height() + roundingSlack;
}

bool isRichText(const QLabel& label)
{
    return label.textFormat() == Qt::RichText ||
           (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(label.text()));
}

}  // namespace

QString shownText(const QWidget& widget)
{
    if (const auto* label = qobject_cast<const QLabel*>(&widget)) {
        const QString text = label->text();
        return isRichText(*label) ? QTextDocumentFragment::fromHtml(text).toPlainText() : text;
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(&widget)) return combo->currentText();
    if (qobject_cast<const Switch*>(&widget)) return {};
    if (const auto* button = qobject_cast<const QAbstractButton*>(&widget))
        return QString::fromStdString(writtenText(button->text()));
    return {};
}

bool textClipped(const QWidget& widget)
{
    const QString text = shownText(widget);
    if (text.isEmpty()) return false;
    const QRectF area = textArea(widget);
    const auto* label = qobject_cast<const QLabel*>(&widget);
    // Rich text mixes fonts, pictures and line spacing: only the label's own layout knows
    // its height.
    if (label && label->wordWrap() && isRichText(*label))
        return label->heightForWidth(label->width()) > label->height() + roundingSlack;
    if (label && label->wordWrap()) return wrappedTextClipped(text, widget.font(), area);
    const QFontMetricsF metrics(widget.font());
    for (const QString& line : text.split(QLatin1Char('\n')))
        if (metrics.horizontalAdvance(line) > area.width() + roundingSlack) return true;
    return false;
}

}  // namespace ui
