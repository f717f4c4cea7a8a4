#include "settings/CardLayout.h"

#include "platform/core/TextFormat.h"

#include <QString>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <numeric>

namespace settings {

namespace {

constexpr double textX = 74;
constexpr double controlMargin = 22;

// Titles of 15 characters or more are cut to their first 14, counted as the user sees
// them (a CJK character is one, not three bytes).
std::string cutTitle(const std::string& title)
{
    const QString text = QString::fromStdString(title);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    qsizetype cut = 0;
    int characters = 0;
    while (finder.toNextBoundary() != -1) {
        ++characters;
        if (characters == 14) cut = finder.position();
    }
    return characters >= 15 ? text.left(cut).toStdString() : title;
}

}  // namespace

CardLayout layoutCard(const TextMeasurer& m, const std::vector<CardRowText>& rows,
                      std::optional<std::pair<int, int>> groupedRows, double width)
{
    CardLayout card;
    for (const auto& row : rows) {
        CardRowLayout placed;
        placed.metrics = rowMetrics(m, row.title, row.subtitle, row.controlWidth, row.subtitleLines);
        card.height += placed.metrics.height;
        card.rows.push_back(placed);
    }

    const int count = static_cast<int>(rows.size());
    double y = card.height;
    for (int i = 0; i < count; ++i) {
        auto& placed = card.rows[i];
        const double h = placed.metrics.height;
        const double w = std::max(width - textX - rows[i].controlWidth - 30, 80.0);
        const double t = measure(m, rows[i].title, fonts::rowTitle, 3, w);
        const double s = measure(m, rows[i].subtitle, fonts::rowSubtitle, rows[i].subtitleLines, w);
        const double g = rows[i].subtitle.empty() ? 0 : 3;
        const double p = (h - (t + g + s)) / 2;
        placed.iconSquare = core::Rect(22, (h - 38) / 2, 38, 38);
        placed.title = core::Rect(textX, p + s + g, w, t);
        placed.subtitle = s > 0 ? core::Rect(textX, p, w, s) : core::Rect();

        y -= h;
        placed.frame = core::Rect(0, y, width, h);
        const bool inGroup = groupedRows && groupedRows->first <= i && i < groupedRows->second;
        if (i != count - 1 && !inGroup) card.separators.emplace_back(0, y - 0.5, width, 1);
    }

    if (groupedRows) {
        const auto [lower, upper] = *groupedRows;
        if (lower >= 0 && upper > lower && upper < count) {
            const auto heightOf = [&](int from, int through) {
                return std::accumulate(card.rows.begin() + from, card.rows.begin() + through + 1, 0.0,
                                       [](double sum, const CardRowLayout& r) { return sum + r.metrics.height; });
            };
            card.groupBox = core::Rect(6, card.height - heightOf(0, upper), width - 12, heightOf(lower, upper));
        }
    }
    return card;
}

core::Rect controlFrame(double rowWidth, double rowHeight, core::Size size)
{
    return core::Rect(rowWidth - size.width - controlMargin, (rowHeight - size.height) / 2, size.width, size.height);
}

std::string layoutCheckLine(const std::string& title, const RowMetrics& row, double controlWidth)
{
    return core::formatText("布局自检: 「%@」行高=%.0f 文本宽=%.0f 标题高=%.0f 副标题高=%.0f 控件宽=%.0f",
                            {cutTitle(title), row.height, row.textWidth, row.title, row.subtitle, controlWidth});
}

}  // namespace settings
