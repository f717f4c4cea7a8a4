#include "platform/ui/StatusItemButton.h"

#include "platform/desktop/Desktop.h"
#include "platform/desktop/GlobalSpace.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/TitleBar.h"
#include "platform/x11/X11OwnWindowHints.h"
#include "platform/ui/Screen.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/Window.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace ui {
namespace {

// The strip's height when the primary display's visible frame leaves none above it.
constexpr double standardStripHeight = 24;
constexpr double rightMargin = 8;
constexpr double padding = 6;
constexpr double imageTitleGap = 4;
constexpr double titlePoints = 13;

// The buttons that exist, in packing order (rightmost first).
std::vector<StatusItemButton*>& buttons()
{
    static std::vector<StatusItemButton*> all;
    return all;
}

// The band above the primary display's visible frame, in screen coordinates.
std::optional<core::Rect> statusStrip()
{
    const auto screen = mainScreen();
    if (!screen) return std::nullopt;
    const double gap = screen->frame.maxY() - screen->visibleFrame.maxY();
    const bool hasBand = !screen->visibleFrame.isEmpty() && gap > 0 && gap < screen->frame.height();
    const double height = hasBand ? gap : standardStripHeight;
    return core::Rect(screen->frame.minX(), screen->frame.maxY() - height, screen->frame.width(), height);
}

// On a real desktop nothing else keeps the top band free, so the button claims it from the
// window manager: mini windows then tile below it instead of over it. The claim spans the
// whole strip: a window manager whose work area is one rectangle (metacity) would keep the
// larger part beside a claim only as wide as the button, cutting a column off the screen.
void reserveBand(Window& window, const core::Rect& strip)
{
    if (!hasWindowSystem()) return;
    const QRect qt = qtGeometry(strip);
    const auto origin = desktop::globalSpace().qtOrigin();
    const auto native =
        desktop::globalSpace().toNative(core::Rect(qt.x() - origin.x, qt.y() - origin.y, qt.width(), qt.height()));
    const auto rounded = roundedRect(native);
    if (rounded.isEmpty() || rounded.bottom() < 0 || rounded.left() < 0) return;
    x11::reserveTopBand(static_cast<xcb_window_t>(window.winId()), static_cast<std::uint32_t>(rounded.bottom() + 1),
                        static_cast<std::uint32_t>(rounded.left()), static_cast<std::uint32_t>(rounded.right()));
}

QFont titleFont()
{
    QFont font;
    font.setPointSizeF(titlePoints);
    return font;
}

}  // namespace

// Draws the item's image and title, highlighted while its menu is open; a press pops the
// menu up.
class StatusItemButtonWindow : public Window {
public:
    StatusItemButtonWindow(StatusItem& item, std::function<void()> destroyed)
        : Window(core::Rect(0, 0, 1, 1), Style::panel, desktop::level::statusBar),
          item_(item),
          destroyed_(std::move(destroyed))
    {
    }

    void adoptToolTip() { setToolTip(QString::fromStdString(item_.toolTip())); }

    void setHighlighted(bool highlighted)
    {
        highlighted_ = highlighted;
        update();
    }

    double naturalWidth() const
    {
        double width = 2 * padding;
        const bool hasImage = item_.hasImage();
        const auto& title = item_.title();
        if (hasImage) width += item_.imageSize().width;
        if (hasImage && !title.empty()) width += imageTitleGap;
        if (!title.empty())
            width += std::ceil(QFontMetricsF(titleFont()).horizontalAdvance(QString::fromStdString(title)));
        return width;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        // A real desktop has no menu bar under the button: it brings its own ground, or
        // the glyph in the text colour could vanish into a dark desktop.
        if (hasWindowSystem()) painter.fillRect(rect(), palette().color(QPalette::Window));
        if (highlighted_) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, 48));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 2, -1, -2), 4, 4);
        }
        double x = padding;
        if (const auto& image = item_.image()) {
            const core::Size size = item_.imageSize();
            const double ratio = devicePixelRatioF();
            const QSize pixels(static_cast<int>(std::lround(size.width * ratio)),
                               static_cast<int>(std::lround(size.height * ratio)));
            // On whole pixels, so that the drawing stays sharp.
            const QPointF place(std::round(x * ratio) / ratio, std::round((height() - size.height) / 2 * ratio) / ratio);
            painter.drawImage(place, image->render(pixels, palette().color(QPalette::WindowText), ratio));
            x += size.width + imageTitleGap;
        }
        if (const auto& title = item_.title(); !title.empty()) {
            painter.setFont(titleFont());
            painter.setPen(QColor(0x10, 0x10, 0x10));
            painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromStdString(title));
        }
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton) item_.performClick();
        event->accept();
    }

    // A window manager's close (any client's WM_DELETE_WINDOW) would leave no way to the
    // menu while the application runs on.
    void closeEvent(QCloseEvent* event) override { event->ignore(); }

    void windowSystemWindowDestroyed() override
    {
        destroy();
        destroyed_();
    }

private:
    StatusItem& item_;
    std::function<void()> destroyed_;
    bool highlighted_ = false;
};

StatusItemButton::StatusItemButton(StatusItem& item) : item_(item), window_(makeWindow())
{
    buttons().push_back(this);
    displayObserver_ = desktop::displays().addConfigurationObserver([] { relayout(); });
    relayout();
    window_->orderFront();
}

StatusItemButton::~StatusItemButton()
{
    desktop::displays().removeConfigurationObserver(displayObserver_);
    std::erase(buttons(), this);
    window_.reset();
    relayout();
}

std::unique_ptr<StatusItemButtonWindow> StatusItemButton::makeWindow()
{
    // On the next turn: the window that was destroyed is still telling of it.
    return std::make_unique<StatusItemButtonWindow>(
        item_, [this] { dispatch::main().async(lifetime_.guard([](StatusItemButton& self) { self.remakeWindow(); })); });
}

void StatusItemButton::remakeWindow()
{
    window_ = makeWindow();
    window_->adoptToolTip();
    relayout();
    window_->orderFront();
    item_.tellPlacement("status item: own button made again (another client destroyed it)");
}

core::Rect StatusItemButton::frame() const { return window_->frame(); }

void StatusItemButton::contentChanged()
{
    window_->adoptToolTip();
    relayout();
}

void StatusItemButton::setHighlighted(bool highlighted) { window_->setHighlighted(highlighted); }

void StatusItemButton::relayout()
{
    const auto strip = statusStrip();
    if (!strip) return;
    double right = strip->maxX() - rightMargin;
    for (StatusItemButton* button : buttons()) {
        auto& window = *button->window_;
        const double width = window.naturalWidth();
        window.setFrame(core::Rect(right - width, strip->minY(), width, strip->height()));
        reserveBand(window, *strip);
        window.update();
        right -= width;
    }
}

}  // namespace ui
