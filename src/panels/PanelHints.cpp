// The status label's hints and the frozen banner.
#include "foundation/L10n.h"
#include "panels/FrozenBanner.h"
#include "panels/PanelContentView.h"
#include "panels/PanelFonts.h"
#include "panels/HoverPreview.h"
#include "panels/PipPanel.h"
#include "panels/StatusLabelMetrics.h"
#include "panels/ViewAlpha.h"
#include "platform/ui/Coordinates.h"

#include <QFontMetricsF>
#include <QLabel>

#include <cmath>
#include <limits>

using namespace panels;

namespace {

constexpr double bannerFadeDuration = 0.2;

const TextMetrics& labelMetrics()
{
    static const TextMetrics metrics = [] {
        const QFontMetricsF font(systemFont(12, QFont::Medium));
        TextMetrics m;
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
    return ::statusLabelHeight(text, width, labelMetrics());
}

void PanelContentView::layoutStatusLabel()
{
    const core::Rect frame =
        statusLabelFrame({1.0 * width(), 1.0 * height()}, statusLabel_->text().toStdString(), labelMetrics());
    statusLabel_->setGeometry(ui::roundedRect(frame));
}

void PanelContentView::showHint(const std::string& text, HintKind kind)
{
    statusLabel_->setText(QString::fromStdString(text));
    layoutStatusLabel();
    hints_.show(kind);
    fadeViewAlpha(*statusLabel_, 1, HintTracker::fadeInDuration);
}

void PanelContentView::showFullscreenHint(const std::string& text)
{
    if (fullscreenHintShown_) return;
    fullscreenHintShown_ = true;
    showHint(text);
}

void PanelContentView::showTransientHint(const std::string& text, double hideAfter)
{
    const HintTracker::Token token = hints_.showTimed();
    statusLabel_->setText(QString::fromStdString(text));
    layoutStatusLabel();
    fadeViewAlpha(*statusLabel_, 1, HintTracker::fadeInDuration);
    dispatch::main().asyncAfter(hideAfter, [self = QPointer<PanelContentView>(this), token] {
        if (self && self->hints_.timedHintDue(token)) self->fadeOutStatusLabel(HintTracker::timedFadeDuration);
    });
}

void PanelContentView::hideFreezeHint()
{
    if (hints_.hideFreezeHint()) fadeOutStatusLabel(HintTracker::withdrawFadeDuration);
}

void PanelContentView::withdrawClosingHint()
{
    if (hints_.withdrawClosingHint()) fadeOutStatusLabel(HintTracker::withdrawFadeDuration);
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
