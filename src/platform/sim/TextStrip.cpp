#include "platform/sim/TextStrip.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

#include <map>
#include <mutex>

namespace sim {
namespace {

// Enough for the windows and displays a capture or screenshot shows at a time; when full
// the cache starts over, which costs a redraw and never changes a pixel.
constexpr std::size_t cacheLimit = 128;

bool fontsAvailable() { return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr; }

QImage drawn(const StripLook& look, bool withText)
{
    QImage image(std::max(look.width, 1), std::max(look.height, 1), QImage::Format_RGB32);
    image.fill(look.background);
    QPainter painter(&image);
    painter.setPen(look.edge);
    painter.drawLine(0, image.height() - 1, image.width() - 1, image.height() - 1);
    if (withText && !look.text.empty()) {
        // Named families, so every run on this machine draws the same glyphs; the second
        // one covers Chinese and Japanese.
        QFont font;
        font.setFamilies({QStringLiteral("DejaVu Sans"), QStringLiteral("WenQuanYi Micro Hei")});
        font.setPixelSize(std::max(look.fontPixels, 1));
        font.setBold(look.bold);
        font.setHintingPreference(QFont::PreferNoHinting);
        painter.setFont(font);
        painter.setPen(look.foreground);
        const int margin = std::max(1, look.fontPixels * 2 / 3);
        const QRect room(margin, 0, std::max(0, image.width() - 2 * margin), image.height() - 1);
        const QString text =
            QFontMetrics(font).elidedText(QString::fromStdString(look.text), Qt::ElideRight, room.width());
        painter.drawText(room, Qt::AlignVCenter | (look.centred ? Qt::AlignHCenter : Qt::AlignLeft), text);
    }
    return image;
}

}  // namespace

std::shared_ptr<const QImage> textStrip(const StripLook& look)
{
    static std::mutex mutex;
    static std::map<std::pair<StripLook, bool>, std::shared_ptr<const QImage>> cache;

    const bool withText = fontsAvailable();
    std::lock_guard lock(mutex);
    const auto key = std::make_pair(look, withText);
    if (const auto it = cache.find(key); it != cache.end()) return it->second;
    if (cache.size() >= cacheLimit) cache.clear();
    auto strip = std::make_shared<const QImage>(drawn(look, withText));
    cache.emplace(key, strip);
    return strip;
}

}  // namespace sim
