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

std::string isolated(const std::string& text)
{
    QString inner;
    int open = 0;  // isolates the text opened itself
    for (const QChar c : QString::fromStdString(text)) {
        if (c == u'\u2066' || c == u'\u2067' || c == u'\u2068') {
            ++open;
        } else if (c == u'\u2069') {
            if (open == 0) continue;
            --open;
        }
        inner += c;
    }
    // An isolate the text left open would take our end for its own; embeddings and
    // overrides end with the isolate they are in.
    inner += QString(open, u'\u2069');
    return "\u2068" + inner.toStdString() + "\u2069";
}

std::string oneLine(const std::string& text)
{
    QString line = QString::fromStdString(text);
    for (QChar& c : line)
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    return line.toStdString();
}

}  // namespace ui
