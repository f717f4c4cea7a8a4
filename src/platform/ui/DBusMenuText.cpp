#include "platform/ui/DBusMenuText.h"

#include "platform/ui/LiteralText.h"

namespace ui {

QString dbusMenuText(const std::string& text)
{
    QString exported = QString::fromStdString(oneLine(text)).replace(QLatin1Char('_'), QStringLiteral("__"));
    if (exported.contains(QLatin1Char('&'))) exported.prepend(QStringLiteral("&\u2060"));
    return exported;
}

}  // namespace ui
