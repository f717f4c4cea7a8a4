// The status label's hints and the frozen banner.
#include "foundation/L10n.h"
#include "panels/views/FittedText.h"
#include "panels/views/FrozenBanner.h"
#include "panels/views/PanelContentView.h"
#include "panels/views/PanelFonts.h"
#include "panels/pin/HoverPreview.h"
#include "panels/PipPanel.h"
#include "panels/rules/StatusLabelMetrics.h"
#include "panels/views/ViewAlpha.h"
#include "platform/ui/Coordinates.h"

#include <QFontMetricsF>
#include <QLabel>

#include <cmath>
#include <limits>

namespace views {

using namespace panels;

namespace {

constexpr double bannerFadeDuration = 0.2;

constexpr int labelLines = 4;
constexpr int labelMinPixelSize = 9;

QFont labelFont() { return systemFont(12, QFont::Medium); }

const panels::TextMetrics& labelMetrics()
{
    static const panels::TextMetrics metrics = [] {
        const QFontMetricsF font(labelFont());
        panels::TextMetrics m;
        m.lineHeight = std::ceil(font.ascent() + font.descent() + font.leading());
        m.measureHeight = [font](const std::string& text, double maxWidth) {
            return font
                .boundingRect(QRectF(0, 0, maxWidth, std::numeric_limits<double>::max() / 4), Qt::TextWordWrap,
                              QString::fromStdString(text))
                .height();
        };
        return m;
    }();
    return metrics;
}

}  // namespace

double PanelContentView::statusLabelHeight(const std::string& text, double width)
{
    return panels::statusLabelHeight(text, width, labelMetrics());
}

void PanelContentView::layoutStatusLabel()
{
    core::Rect frame = panels::statusLabelFrame({1.0 * width(), 1.0 * height()}, hintText_.toStdString(), labelMetrics());
    // Wrapped as the label's height was measured; a hint that takes more lines, or has a
    // word wider than a line, is shrunk and then cut, never clipped at its edges.
    const FittedText fitted = fitText(hintText_, labelFont(), frame.width() - 20, labelLines, labelMinPixelSize);
    statusLabel_->setFont(fitted.font);
    statusLabel_->setText(fitted.plain ? hintText_ : fitted.lines.join(QLatin1Char('\n')));
    if (!fitted.plain) {
        const double height = fitted.lines.size() > 1 ? std::ceil(fitted.size.height()) + 10 : frame.height();
        frame = {frame.minX(), frame.maxY() - height, frame.width(), height};
    }
    statusLabel_->setGeometry(ui::roundedRect(frame));
}

void PanelContentView::showHint(const std::string& text, panels::HintKind kind)
{
    hintText_ = QString::fromStdString(text);
    layoutStatusLabel();
    hints_.show(kind);
    fadeViewAlpha(*statusLabel_, 1, panels::HintTracker::fadeInDuration);
}

void PanelContentView::showFullscreenHint(const std::string& text)
{
    if (fullscreenHintShown_) return;
    fullscreenHintShown_ = true;
    showHint(text);
}

void PanelContentView::showTransientHint(const std::string& text, double hideAfter)
{
    const panels::HintTracker::Token token = hints_.showTimed();
    hintText_ = QString::fromStdString(text);
    layoutStatusLabel();
    fadeViewAlpha(*statusLabel_, 1, panels::HintTracker::fadeInDuration);
    dispatch::main().asyncAfter(hideAfter, [self = QPointer<PanelContentView>(this), token] {
        if (self && self->hints_.timedHintDue(token)) self->fadeOutStatusLabel(panels::HintTracker::timedFadeDuration);
    });
}

void PanelContentView::hideFreezeHint()
{
    if (hints_.hideFreezeHint()) fadeOutStatusLabel(panels::HintTracker::withdrawFadeDuration);
}

void PanelContentView::withdrawClosingHint()
{
    if (hints_.withdrawClosingHint()) fadeOutStatusLabel(panels::HintTracker::withdrawFadeDuration);
}

void PanelContentView::fadeOutStatusLabel(double duration) { fadeViewAlpha(*statusLabel_, 0, duration); }

void PanelContentView::setFrozenBanner(bool on)
{
    frozenOn_ = on;
    // The banner's target, not its alpha in mid-fade, tells whether it shows.
    const bool shown = isFading(*frozenBanner_) ? bannerTarget_ : viewAlpha(*frozenBanner_) > 0.5;
    if (on == shown) return;
    bannerTarget_ = on;
    fadeViewAlpha(*frozenBanner_, on ? 1 : 0, bannerFadeDuration);
    if (panel_) panel_->hoverPreview->setFrozen(on);
}

}  // namespace views
