#pragma once

#include <QString>

#include <string>

namespace ui {

// The text for an item of a QMenu that Qt exports over com.canonical.dbusmenu (a tray's
// own menu), so that the tray shows it as written. The tray reads "_" as the marker of
// the access key and "__" as an underscore, and "&" as itself; Qt passes the text on as
// it stands, except that it turns the first "&" into that marker. So every underscore is
// doubled, and a text with an "&" gets a marker of its own ahead of it, on its first
// letter or digit, for Qt to turn instead of the text's "&".
QString dbusMenuText(const std::string& text);

}  // namespace ui
