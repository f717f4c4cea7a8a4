#pragma once

#include <QString>

#include <string>

namespace ui {

// The text for an item of a QMenu that Qt exports over com.canonical.dbusmenu (a tray's
// own menu), so that the tray shows it as written, on one line and with no letter
// underlined. The tray reads "_" as the marker of the access key, which it underlines
// the character after, and "__" as an underscore, and "&" as itself; Qt passes the text on
// as it stands, except that it turns the first "&" into that marker. So every underscore
// is doubled, and a text with an "&" starts with an "&" of its own for Qt to turn,
// before a word joiner, which has no width to underline.
QString dbusMenuText(const std::string& text);

}  // namespace ui
