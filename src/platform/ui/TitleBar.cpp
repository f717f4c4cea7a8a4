#include "platform/ui/TitleBar.h"

#include "platform/ui/SystemColors.h"
#include "platform/ui/UiFont.h"
#include "platform/ui/Window.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>

namespace ui {
namespace {

constexpr double ownTitleBarHeight = 28;
double windowSystemTitleBarHeight = ownTitleBarHeight;

// A round button with a cross, where the window system would put its close button.
class CloseButton : public QAbstractButton {
public:
    explicit CloseButton(QWidget* parent) : QAbstractButton(parent) { setFocusPolicy(Qt::NoFocus); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF disc = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(systemColor("systemRed").darker(115), 0.5));
        painter.setBrush(systemColor("systemRed"));
        painter.drawEllipse(disc);
        if (!underMouse() && !isDown()) return;
        painter.setPen(QPen(QColor(77, 0, 0, 200), 1.2, Qt::SolidLine, Qt::RoundCap));
        const QRectF cross = disc.adjusted(4, 4, -4, -4);
        painter.drawLine(cross.topLeft(), cross.bottomRight());
        painter.drawLine(cross.bottomLeft(), cross.topRight());
    }
};

constexpr int closeButtonSize = 12;
constexpr int closeButtonInset = 8;

}  // namespace

bool hasWindowSystem()
{
    static const bool present = QGuiApplication::platformName() != QLatin1String("offscreen");
    return present;
}

double titleBarHeight() { return hasWindowSystem() ? windowSystemTitleBarHeight : ownTitleBarHeight; }

void noteWindowSystemTitleBarHeight(double height)
{
    if (height > 0) windowSystemTitleBarHeight = height;
}

TitleBar::TitleBar(Window& window) : QWidget(&window), window_(window)
{
    auto* close = new CloseButton(this);
    close->setObjectName("close");
    const int top = (static_cast<int>(ownTitleBarHeight) - closeButtonSize) / 2;
    close->setGeometry(closeButtonInset, top, closeButtonSize, closeButtonSize);
    connect(close, &QAbstractButton::clicked, &window, [&window] { window.close(); });
}

void TitleBar::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), systemColor("windowBackground").darker(104));
    painter.fillRect(QRect(0, height() - 1, width(), 1), systemColor("separator"));

    // Centred on the whole bar, kept clear of the close button.
    const int clearance = closeButtonInset * 2 + closeButtonSize;
    const QRect titleArea = rect().adjusted(clearance, 0, -clearance, -1);
    painter.setFont(ui::font({13, FontSpec::Weight::semibold}));
    painter.setPen(systemColor("label"));
    const QString title = QString::fromStdString(window_.title());
    painter.drawText(titleArea, Qt::AlignCenter,
                     painter.fontMetrics().elidedText(title, Qt::ElideRight, titleArea.width()));
}

void TitleBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) return;
    dragStart_ = event->globalPosition();
    originAtDragStart_ = window_.frame().origin;
}

void TitleBar::mouseMoveEvent(QMouseEvent* event)
{
    if (!dragStart_ || !(event->buttons() & Qt::LeftButton)) return;
    // Qt's global y grows downwards, the screen's upwards.
    const QPointF moved = event->globalPosition() - *dragStart_;
    window_.setFrameOrigin({originAtDragStart_.x + moved.x(), originAtDragStart_.y - moved.y()});
}

void TitleBar::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) dragStart_.reset();
}

}  // namespace ui
