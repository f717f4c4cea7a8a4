#include "settings/SettingsWindow.h"

#include "foundation/Diag.h"
#include "platform/core/Environment.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/Switch.h"
#include "platform/ui/Symbols.h"
#include "platform/ui/SystemColors.h"
#include "settings/BoxView.h"
#include "settings/CardLayout.h"
#include "settings/WrappingLabel.h"

#include <QComboBox>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

QColor withAlpha(QColor color, double alpha)
{
    color.setAlphaF(alpha);
    return color;
}

WrappingLabel* makeLabel(const std::string& text, const ui::FontSpec& font, const char* colour, int maxLines,
                         QWidget* parent)
{
    auto* label = new WrappingLabel(QString::fromStdString(text), maxLines, parent);
    label->setFont(ui::font(font));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ui::systemColor(colour));
    label->setPalette(palette);
    return label;
}

void place(QWidget& view, const core::Rect& frame, double parentHeight)
{
    view.setGeometry(ui::viewGeometry(frame, parentHeight, false));
}

// The size a control brought with it; none when nobody sized it.
QSize givenSize(QWidget& control)
{
    QSize size = control.testAttribute(Qt::WA_Resized) ? control.size() : QSize();
    if (qobject_cast<ui::Switch*>(&control) && size.width() < 1) size = control.sizeHint();
    return size;
}

bool layoutCheckWanted() { return core::environmentValue("GLIMRA_DEBUG_LAYOUT") == "1"; }

}  // namespace

double SettingsWindow::addHeader(const std::string& title, const std::string& subtitle, double top)
{
    using namespace settings;
    const double height = contentArea_->height();
    auto* titleLabel = makeLabel(title, fonts::headerTitle, "label", 1, contentArea_);
    titleLabel->setObjectName("headerTitle");
    place(*titleLabel, {cardX, top - 34, cardWidth, 32}, height);

    // A subtitle too long for its line wraps and moves what follows down.
    const double subtitleHeight = std::max(
        measure(qtTextMeasurer(), subtitle, fonts::headerSubtitle, std::numeric_limits<int>::max(), cardWidth), 20.0);
    const double extra = subtitleHeight - 20;
    auto* subtitleLabel =
        makeLabel(subtitle, fonts::headerSubtitle, "secondaryLabel", std::numeric_limits<int>::max(), contentArea_);
    subtitleLabel->setObjectName("headerSubtitle");
    place(*subtitleLabel, {cardX, top - 60 - extra, cardWidth, subtitleHeight}, height);
    titleLabel->show();
    subtitleLabel->show();
    return top - 84 - extra;
}

double SettingsWindow::addSectionTitle(const std::string& title, double top)
{
    using namespace settings;
    static const QRegularExpression sectionName("^section\\d+$");
    const auto earlier = contentArea_->findChildren<QLabel*>(sectionName, Qt::FindDirectChildrenOnly).size();
    auto* label = makeLabel(title, fonts::headerTitle, "label", 1, contentArea_);
    label->setObjectName(QStringLiteral("section%1").arg(earlier));
    place(*label, {cardX, top - 34, cardWidth, 32}, contentArea_->height());
    label->show();
    return top - 48;
}

SettingsWindow::CardResult SettingsWindow::addCard(const std::vector<SettingsRow>& rows, double top,
                                                   std::optional<std::pair<int, int>> groupedRows)
{
    using namespace settings;
    std::vector<CardRowText> texts;
    for (const auto& row : rows) texts.push_back({row.title, row.subtitle, row.controlWidth, row.subtitleLines});
    const CardLayout layout = layoutCard(qtTextMeasurer(), texts, groupedRows);
    const double total = layout.height;

    auto* card = new BoxView(ui::systemColor("controlBackground"), 12, contentArea_);
    card->setBorder(withAlpha(ui::systemColor("separator"), 0.6), 1);
    place(*card, {cardX, top - total, cardWidth, total}, contentArea_->height());

    if (layout.groupBox) {
        auto* box = new BoxView(withAlpha(ui::systemColor("label"), 0.025), 10, card);
        box->setBorder(ui::systemColor("separator"), 1);
        place(*box, *layout.groupBox, total);
    }

    CardResult result;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const SettingsRow& row = rows[i];
        const CardRowLayout& placed = layout.rows[i];
        const double h = placed.frame.height();
        auto* rowView = new SettingsRowView(card);
        place(*rowView, placed.frame, total);

        auto* square = new BoxView(withAlpha(row.tint, 0.16), 9, rowView);
        place(*square, placed.iconSquare, h);
        auto* icon = new ui::SymbolView(row.icon, row.tint, square);
        place(*icon, {8, 8, 22, 22}, placed.iconSquare.height());

        rowView->titleLabel = makeLabel(row.title, fonts::rowTitle, "label", 3, rowView);
        rowView->titleLabel->setObjectName(".title");
        place(*rowView->titleLabel, placed.title, h);
        rowView->subtitleLabel =
            makeLabel(row.subtitle, fonts::rowSubtitle, "secondaryLabel", row.subtitleLines, rowView);
        rowView->subtitleLabel->setObjectName(".subtitle");
        place(*rowView->subtitleLabel, placed.subtitle, h);

        if (row.control) {
            QSize size = givenSize(*row.control);
            if (size.width() < 1 || size.height() < 1)
                size = qobject_cast<ui::Switch*>(row.control) ? QSize(40, 26)
                                                              : QSize(static_cast<int>(row.controlWidth), 28);
            row.control->setParent(rowView);
            place(*row.control, controlFrame(cardWidth, h, {double(size.width()), double(size.height())}), h);
            row.control->show();
        }
        result.rows.push_back(rowView);
    }
    for (const auto& frame : layout.separators) {
        auto* line = new BoxView(withAlpha(ui::systemColor("separator"), 0.5), 0, card);
        place(*line, frame, total);
    }

    if (layoutCheckWanted())
        for (std::size_t i = 0; i < rows.size(); ++i)
            Diag::log(layoutCheckLine(rows[i].title, layout.rows[i].metrics, rows[i].controlWidth));

    card->show();
    result.top = top - total - gapBelowCard;
    return result;
}

double SettingsWindow::addFootnote(const std::string& text, double top)
{
    using namespace settings;
    constexpr int maxLines = 8;
    constexpr double width = 640;
    const double h = std::max(measure(qtTextMeasurer(), text, fonts::footnote, maxLines, width), 16.0);
    auto* label = makeLabel(text, fonts::footnote, "tertiaryLabel", maxLines, contentArea_);
    label->setObjectName("footnote");
    place(*label, {40, top - 8 - h, width, h}, contentArea_->height());
    label->show();
    return top - 8 - h;
}

double SettingsWindow::sizePopup(QComboBox& popup, double minW, double extra)
{
    std::vector<std::string> titles;
    for (int i = 0; i < popup.count(); ++i) titles.push_back(popup.itemText(i).toStdString());
    const double width = settings::popupWidth(settings::qtTextMeasurer(), titles, minW, extra);
    popup.resize(static_cast<int>(std::ceil(width)), popup.height());
    return width;
}

double SettingsWindow::buttonWidth(const std::string& title)
{
    return settings::buttonWidth(settings::qtTextMeasurer(), title);
}
