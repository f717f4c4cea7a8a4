#include "platform/ui/DBusMenuText.h"

namespace ui {
namespace {

// Where the marker goes in a text with an "&": before the first letter or digit ahead of
// its first "&", else at the start.
qsizetype markerPlace(const QString& text, qsizetype firstAmpersand)
{
    for (qsizetype at = 0; at < firstAmpersand; ++at)
        if (text.at(at).isLetterOrNumber()) return at;
    return 0;
}

}  // namespace

QString dbusMenuText(const std::string& text)
{
    const QString written = QString::fromStdString(text);
    const qsizetype firstAmpersand = written.indexOf(QLatin1Char('&'));
    const qsizetype marker = firstAmpersand < 0 ? -1 : markerPlace(written, firstAmpersand);
    QString exported;
    for (qsizetype at = 0; at < written.size(); ++at) {
        if (at == marker) exported += QLatin1Char('&');
        exported += written.at(at);
        if (written.at(at) == QLatin1Char('_')) exported += QLatin1Char('_');
    }
    return exported;
}

}  // namespace ui
