#include "platform/ui/StatusItemTray.h"

#include "platform/dispatch/Queue.h"
#include "platform/ui/Coordinates.h"
#include "platform/ui/StatusItem.h"
#include "platform/ui/StatusItemTrayRegistration.h"
#include "platform/x11/X11DestroyedWindows.h"
#include "platform/x11/X11TrayColors.h"
#include "platform/x11/X11TrayEmbedding.h"

#include <QApplication>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QWidget>

#include <optional>
#include <utility>

namespace ui {
namespace {

// Trays ask for icons from 16 to 24 pixels mostly; each size is drawn, not scaled.
constexpr int iconSizes[] = {16, 18, 20, 22, 24, 32, 48};
// A tray embeds an icon at once, and embeds it again at once after a restart; one that has
// not within this is hung, too slow to count on, or has dropped the icon.
constexpr double embedsWithin = 5;

const QColor outlinedGlyph(0xf4, 0xf4, 0xf4);
const QColor outline(0x1c, 0x1c, 0x1c);

// The image, or without one the title as large as the square allows, in one colour.
QImage glyph(const StatusItem& item, int size, const QColor& color)
{
    if (const auto& image = item.image()) return image->render(QSize(size, size), color);
    QImage drawn(size, size, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    QFont font = painter.font();
    font.setPixelSize(size / 2);
    painter.setFont(font);
    painter.setPen(color);
    painter.drawText(drawn.rect(), Qt::AlignCenter, QString::fromStdString(item.title()));
    return drawn;
}

// The glyph one pixel inside the square, ringed by a one-pixel outline.
QPixmap outlined(const StatusItem& item, int size)
{
    const QImage dark = glyph(item, size - 2, outline);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    for (int dy = 0; dy <= 2; ++dy)
        for (int dx = 0; dx <= 2; ++dx) painter.drawImage(dx, dy, dark);
    painter.drawImage(1, 1, glyph(item, size - 2, outlinedGlyph));
    return pixmap;
}

}  // namespace

StatusItemTray::StatusItemTray(StatusItem& item, StatusItemTrayPresence::Kind tray, std::function<void()> iconLost,
                               std::function<void()> refused, std::function<void(bool embedded)> embedding)
    : item_(item),
      tray_(tray),
      iconLost_(std::move(iconLost)),
      refused_(std::move(refused)),
      embedding_(std::move(embedding))
{
    QObject::connect(&icon_, &QSystemTrayIcon::activated, &icon_, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) item_.performClick();
    });
    contentChanged();
    // Followed from before the dock request, which the tray may answer at once.
    if (tray_ == StatusItemTrayPresence::Kind::xembed) watchEmbedding();
    icon_.show();
    if (tray_ == StatusItemTrayPresence::Kind::statusNotifier) {
        checkTrayRegistration(&icon_, [this] {
            dispatch::main().async(lifetime_.guard([](StatusItemTray& self) {
                const auto refused = self.refused_;  // the item replaces this view
                refused();
            }));
        });
        return;
    }
    destroyedWindows_ = x11::watchDestroyedWindows([this](xcb_window_t window) {
        if (window != xembedIconWindow()) return;
        dispatch::main().async(lifetime_.guard([](StatusItemTray& self) {
            const auto lost = self.iconLost_;  // the item replaces this view
            lost();
        }));
    });
}

StatusItemTray::~StatusItemTray() = default;

void StatusItemTray::watchEmbedding()
{
    embeddingWatch_ = x11::watchTrayEmbedding([] { return static_cast<xcb_window_t>(xembedIconWindow()); },
                                              [this](bool embedded) { embeddingChanged(embedded); });
    awaitEmbedding();
}

void StatusItemTray::embeddingChanged(bool embedded)
{
    embedded_ = embedded;
    if (!embedded)
        awaitEmbedding();
    else if (std::exchange(toldNotEmbedded_, false))
        dispatch::main().async(lifetime_.guard([](StatusItemTray& self) { self.embedding_(true); }));
}

void StatusItemTray::awaitEmbedding()
{
    if (toldNotEmbedded_) return;
    // A tray that unmaps the icon for a moment (a relayout, a restart) costs no move.
    unembeddedCheck_.cancel();
    unembeddedCheck_ = dispatch::main().asyncAfter(embedsWithin, lifetime_.guard([](StatusItemTray& self) {
        if (self.embedded_ || self.toldNotEmbedded_) return;
        self.toldNotEmbedded_ = true;
        self.embedding_(false);
    }));
}

unsigned long StatusItemTray::xembedIconWindow()
{
    // Qt draws the icon in a top-level widget of a class of its own; a hidden one is
    // going with an icon that was removed.
    for (const QWidget* widget : QApplication::topLevelWidgets())
        if (widget->inherits("QSystemTrayIconSys") && widget->isVisible()) return widget->internalWinId();
    return 0;
}

core::Rect StatusItemTray::frame() const { return screenFrame(icon_.geometry()); }

void StatusItemTray::contentChanged()
{
    icon_.setIcon(drawIcon());
    icon_.setToolTip(QString::fromStdString(item_.toolTip()));
    // Qt would pop a context menu up itself on an XEmbed tray's right click, beside ours.
    QMenu* const contextMenu = tray_ == StatusItemTrayPresence::Kind::statusNotifier ? item_.contextMenu() : nullptr;
    if (icon_.contextMenu() != contextMenu) icon_.setContextMenu(contextMenu);
}

QIcon StatusItemTray::drawIcon() const
{
    const auto color =
        tray_ == StatusItemTrayPresence::Kind::xembed ? x11::trayForegroundColor() : std::optional<QColor>();
    QIcon icon;
    for (const int size : iconSizes)
        icon.addPixmap(color ? QPixmap::fromImage(glyph(item_, size, *color)) : outlined(item_, size));
    return icon;
}

}  // namespace ui
