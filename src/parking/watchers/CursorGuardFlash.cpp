#include "parking/watchers/CursorGuardFlash.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/Screen.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>

namespace {

constexpr double padX = 22;
constexpr double padY = 15;
constexpr double cornerRadius = 12;
constexpr double fadeInDuration = 0.12;
constexpr double shownFor = 1.8;
constexpr double fadeOutDuration = 0.22;
// How far above the screen's middle the panel's middle sits, as a share of its height.
constexpr double raisedBy = 0.18;

QPointer<CursorGuardFlash>& shown()
{
    static QPointer<CursorGuardFlash> panel;
    return panel;
}

QFont labelFont()
{
    QFont font;
    font.setPixelSize(15);
    font.setWeight(QFont::DemiBold);
    return font;
}

QSizeF labelSize(const QString& text) { return QFontMetricsF(labelFont()).size(Qt::TextSingleLine, text); }

// Black at 0.78 with rounded corners, the label white on it.
class FlashView : public QWidget {
public:
    explicit FlashView(QString text) : text_(std::move(text)) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
        painter.fillPath(shape, QColor::fromRgbF(0, 0, 0, 0.78));
        painter.setFont(labelFont());
        painter.setPen(Qt::white);
        painter.drawText(QRectF(QPointF(padX, padY), labelSize(text_)), Qt::AlignLeft | Qt::AlignVCenter, text_);
    }

private:
    QString text_;
};

core::Size panelSize(const std::string& text)
{
    const QSizeF label = labelSize(QString::fromStdString(text));
    return {std::ceil(label.width()) + 2 * padX, std::ceil(label.height()) + 2 * padY};
}

// Above the middle of the screen under the pointer, else of the main screen.
std::optional<core::Point> panelOrigin(const core::Size& size)
{
    const core::Point pointer =
        core::flipped(desktop::input().pointerLocation(), desktop::firstScreenHeight(desktop::displays()));
    auto screen = ui::screenContaining(pointer);
    if (!screen) screen = ui::mainScreen();
    if (!screen) return std::nullopt;
    const core::Rect& frame = screen->frame;
    return core::Point{frame.midX() - size.width / 2, frame.midY() - size.height / 2 + raisedBy * frame.height()};
}

}  // namespace

CursorGuardFlash::CursorGuardFlash(const std::string& text)
    : ui::Window(core::Rect(core::Point{0, 0}, panelSize(text)), Style::panel, windowLevel), text_(text)
{
    setIgnoresMouseEvents(true);
    setContentView(new FlashView(QString::fromStdString(text)));
}

void CursorGuardFlash::show(const std::string& text)
{
    if (shown()) shown()->dismiss();
    auto* panel = new CursorGuardFlash(text);
    if (const auto origin = panelOrigin(panel->frame().size)) panel->setFrameOrigin(*origin);
    panel->setAlphaValue(0);
    panel->orderFrontRegardless();
    shown() = panel;
    panel->animateAlpha(1, fadeInDuration);

    dispatch::main().asyncAfter(shownFor, [panel = QPointer<CursorGuardFlash>(panel)] {
        if (!panel) return;
        if (shown() == panel) shown() = nullptr;
        panel->animateAlpha(0, fadeOutDuration, [panel] {
            if (panel) panel->dismiss();
        });
    });
}

CursorGuardFlash* CursorGuardFlash::current() { return shown(); }

void CursorGuardFlash::dismiss()
{
    orderOut();
    dispatch::main().async([self = QPointer<CursorGuardFlash>(this)] { delete self.data(); });
}
