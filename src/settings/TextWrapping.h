#pragma once

#include <QString>
#include <QTextOption>

namespace settings {

// How the window's texts wrap, when they are measured and when they are drawn: at word
// boundaries, and inside a word too long for a line.
inline QTextOption wrappingOption()
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    return option;
}

// A label keeps this much free on either side: its text wraps at its width less twice
// this, when measured and when drawn.
inline constexpr double labelTextInset = 2;

// A text as laid out: a line feed starts a new line, which a text layout does only for
// the line separator.
inline QString laidOutText(QString text)
{
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    return text;
}

}  // namespace settings
