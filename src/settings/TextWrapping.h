#pragma once

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

}  // namespace settings
