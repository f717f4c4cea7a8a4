#include "platform/ui/LiteralText.h"

#include <QTextDocument>

namespace ui {

QString literalText(const std::string& text)
{
    return QString::fromStdString(text).replace(QLatin1Char('&'), QStringLiteral("&&"));
}

std::string writtenText(const QString& literal)
{
    return QString(literal).replace(QStringLiteral("&&"), QStringLiteral("&")).toStdString();
}

QString plainToolTip(const std::string& text)
{
    const QString plain = QString::fromStdString(text);
    return Qt::mightBeRichText(plain) ? Qt::convertFromPlainText(plain, Qt::WhiteSpacePre) : plain;
}

std::string isolated(const std::string& text) { return "\u2068" + text + "\u2069"; }

}  // namespace ui
