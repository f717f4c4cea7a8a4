#include "settings/SettingsLayout.h"
#include "settings/TextWrapping.h"

#include <QFontMetricsF>
#include <QString>
#include <QTextLayout>

namespace settings {

namespace {

class QtTextMeasurer final : public TextMeasurer {
public:
    int lineCount(const std::string& text, const ui::FontSpec& font, double width) const override
    {
        QTextLayout layout(laidOutText(QString::fromStdString(text)), ui::font(font));
        layout.setTextOption(wrappingOption());
        layout.beginLayout();
        int lines = 0;
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width);
            ++lines;
        }
        layout.endLayout();
        return lines;
    }

    double lineHeight(const ui::FontSpec& font) const override
    {
        const QFontMetricsF metrics(ui::font(font));
        return metrics.ascent() + metrics.descent() + metrics.leading();
    }

    double width(const std::string& text, const ui::FontSpec& font) const override
    {
        return QFontMetricsF(ui::font(font)).horizontalAdvance(QString::fromStdString(text));
    }
};

}  // namespace

const TextMeasurer& qtTextMeasurer()
{
    static const QtTextMeasurer measurer;
    return measurer;
}

}  // namespace settings
