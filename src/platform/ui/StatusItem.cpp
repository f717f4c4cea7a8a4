#include "platform/ui/StatusItem.h"

#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Screen.h"
#include "platform/ui/Window.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace ui {
namespace {

// The strip's height when the primary display's visible frame leaves none above it.
constexpr double standardStripHeight = 24;
constexpr double rightMargin = 8;
constexpr double padding = 6;
constexpr double imageTitleGap = 4;
constexpr double titlePoints = 13;

std::vector<StatusItem*>& registry()
{
    static std::vector<StatusItem*> items;
    return items;
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

QFont titleFont()
{
    QFont font;
    font.setPointSizeF(titlePoints);
    return font;
}

}  // namespace

// The item's own window: draws its image and title, highlighted while its menu is open,
// and a press pops the menu up.
class StatusItemWindow : public Window {
public:
    explicit StatusItemWindow(StatusItem& item) : Window(core::Rect(0, 0, 1, 1), Style::panel), item_(item)
    {
        setLevel(desktop::level::statusBar);
    }

    void setHighlighted(bool highlighted)
    {
        highlighted_ = highlighted;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (highlighted_) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0, 0, 0, 48));
            painter.drawRoundedRect(QRectF(rect()).adjusted(1, 2, -1, -2), 4, 4);
        }
        double x = padding;
        if (!item_.image_.isNull()) {
            const core::Size size = item_.imageSize_;
            const QRectF place(x, (height() - size.height) / 2, size.width, size.height);
            painter.drawImage(place, item_.image_);
            x += size.width + imageTitleGap;
        }
        if (!item_.title_.empty()) {
            painter.setFont(titleFont());
            painter.setPen(QColor(0x10, 0x10, 0x10));
            painter.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter,
                             QString::fromStdString(item_.title_));
        }
    }

    void mousePressEvent(QMouseEvent* event) override
    {
        if (event->button() == Qt::LeftButton) item_.performClick();
        event->accept();
    }

private:
    StatusItem& item_;
    bool highlighted_ = false;
};

StatusItem::StatusItem() : window_(std::make_unique<StatusItemWindow>(*this))
{
    registry().push_back(this);
    displayObserver_ = desktop::displays().addConfigurationObserver([] { relayout(); });
    relayout();
    window_->orderFront();
}

StatusItem::~StatusItem()
{
    desktop::displays().removeConfigurationObserver(displayObserver_);
    std::erase(registry(), this);
    window_.reset();
    relayout();
}

void StatusItem::setImage(const QImage& image, core::Size pointSize)
{
    image_ = image;
    imageSize_ = pointSize.width > 0 && pointSize.height > 0 ? pointSize : core::Size(image.width(), image.height());
    relayout();
}

bool StatusItem::hasImage() const { return !image_.isNull(); }

void StatusItem::setTitle(const std::string& title)
{
    title_ = title;
    relayout();
}

std::string StatusItem::title() const { return title_; }

void StatusItem::setToolTip(const std::string& toolTip)
{
    toolTip_ = toolTip;
    window_->setToolTip(QString::fromStdString(toolTip));
}

std::string StatusItem::toolTip() const { return toolTip_; }

core::Rect StatusItem::frame() const { return window_->frame(); }

void StatusItem::setMenu(Menu* menu) { menu_ = menu; }

Menu* StatusItem::menu() const { return menu_; }

bool StatusItem::performClick(std::function<void()> whenDone)
{
    if (!menu_) {
        if (whenDone) dispatch::main().async(std::move(whenDone));
        return false;
    }
    const core::Rect place = frame();
    window_->setHighlighted(true);
    QPointer<StatusItemWindow> window(window_.get());
    return menu_->popUp(core::Point(place.minX(), place.minY()), [window, whenDone = std::move(whenDone)] {
        if (window) window->setHighlighted(false);
        if (whenDone) whenDone();
    });
}

std::vector<StatusItem*> StatusItem::all() { return registry(); }

double StatusItem::naturalWidth() const
{
    double width = 2 * padding;
    if (!image_.isNull()) width += imageSize_.width;
    if (!image_.isNull() && !title_.empty()) width += imageTitleGap;
    if (!title_.empty())
        width += std::ceil(QFontMetricsF(titleFont()).horizontalAdvance(QString::fromStdString(title_)));
    return width;
}

void StatusItem::relayout()
{
    const auto strip = statusStrip();
    if (!strip) return;
    double right = strip->maxX() - rightMargin;
    for (StatusItem* item : registry()) {
        if (!item->window_) continue;
        const double width = item->naturalWidth();
        item->window_->setFrame(core::Rect(right - width, strip->minY(), width, strip->height()));
        item->window_->update();
        right -= width;
    }
}

}  // namespace ui
