#include "settings/guide/OnboardingWindow.h"

#include "foundation/L10n.h"
#include "platform/defaults/Defaults.h"
#include "platform/ui/LayerView.h"
#include "platform/ui/LiteralText.h"
#include "platform/ui/SystemColors.h"
#include "settings/BoxView.h"
#include "settings/guide/DescriptionFit.h"
#include "settings/guide/GuideModel.h"
#include "settings/guide/GuideViews.h"

#include <QBuffer>
#include <QLabel>
#include <QPushButton>

namespace {

constexpr double contentHeight = 820;
constexpr double dotSize = 8;
constexpr double dotPitch = 16;

QString cssColour(const char* name)
{
    const QColor colour = ui::systemColor(name);
    return QStringLiteral("rgba(%1, %2, %3, %4)").arg(colour.red()).arg(colour.green()).arg(colour.blue()).arg(colour.alpha());
}

const QString& triggerImageSource()
{
    static const QString source = [] {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        OnboardingWindow::triggerBlockImage().save(&buffer, "PNG");
        return QStringLiteral("data:image/png;base64,") + QString::fromLatin1(png.toBase64());
    }();
    return source;
}

QString runHtml(const guide::DescriptionRun& run)
{
    using Style = guide::DescriptionRun::Style;
    if (run.triggerImage)
        return QStringLiteral("<img src=\"%1\" width=\"38\" height=\"25\">").arg(triggerImageSource());
    const bool bold = run.style == Style::bold || run.style == Style::boldBlue;
    const bool blue = run.style == Style::blue || run.style == Style::boldBlue;
    QString text = QString::fromStdString(run.text).toHtmlEscaped();
    text.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
    return QStringLiteral("<span style=\"color: %1;%2\">%3</span>")
        .arg(cssColour(blue ? "systemBlue" : "label"), bold ? QStringLiteral(" font-weight: 700;") : QString(), text);
}

}  // namespace

void OnboardingWindow::render()
{
    const Step& step = steps()[index_];
    const int count = stepCount();
    counterLabel_->setText(QString::fromStdString(guide::counterText(index_, count)));
    stepTitleLabel_->setText(QString::fromStdString(step.title));
    showDescription(step.desc);
    prevButton_->setEnabled(index_ > 0);
    nextButton_->setText(ui::literalText(L10n::t(index_ == count - 1 ? "开始使用" : "下一步")));
    guide::storeStep(defaults::Defaults::standard(), index_);

    canvas_->root().removeAllSublayers();
    tearDownPermissionPage();
    canvas_->restartClock();
    step.build(canvas_->root());
    if (step.nsSetup) step.nsSetup(*canvas_);
    canvas_->update();
    layoutDots();
}

void OnboardingWindow::showDescription(const std::string& desc)
{
    shownRuns_ = guide::parseDescription(desc);
    const guide::DescriptionFit fit = guide::fitDescription(shownRuns_, settings::qtTextMeasurer());
    QString html = QStringLiteral("<p style=\"margin: 0; line-height: %1px; -qt-line-height-type: line-distance;\">")
                       .arg(fit.lineSpacing);
    for (const auto& run : shownRuns_) html += runHtml(run);
    html += QStringLiteral("</p>");
    stepDescLabel_->setFont(ui::font({fit.fontSize}));
    stepDescLabel_->setText(html);
    guide::place(*stepDescLabel_, {30, guide::descriptionTop - fit.height, guide::descriptionWidth, fit.height},
                 contentHeight);
}

void OnboardingWindow::layoutDots()
{
    for (QWidget* dot : dotsHost_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) delete dot;
    const int count = stepCount();
    double x = guide::firstDotX(dotsHost_->width(), count);
    for (int i = 0; i < count; ++i, x += dotPitch) {
        auto* dot = new BoxView(ui::systemColor(i == index_ ? "controlAccent" : "tertiaryLabel"), dotSize / 2, dotsHost_);
        guide::place(*dot, {x, 2, dotSize, dotSize}, dotsHost_->height());
        dot->show();
    }
}
