#include "platform/ui/LiteralText.h"

namespace ui {

QString literalText(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::string writtenText(const QString& literal)
{
    return QString(literal).replace(QStringLiteral("&&"), QStringLiteral("&")).toStdString();
}

std::string isolated(const std::string& text) { return "\u2068" + text + "\u2069"; }

}  // namespace ui
