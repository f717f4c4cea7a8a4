#pragma once

#include <QString>

#include <string>

namespace ui {

// The text for a Qt menu item, button or tab, which read "&" as a mnemonic marker: the
// "&" doubled, so it shows as written.
QString literalText(const std::string& text);
// What such a widget shows for a text given through literalText: the text as written.
std::string writtenText(const QString& literal);

// A text from outside (a window's title, an application's name, a field of a download) as
// a tool tip: Qt reads a tool tip that looks like markup as rich text and loads the files
// its pictures name, so such a text is escaped into markup that shows it as written.
QString plainToolTip(const std::string& text);

// A name or title from another application, wrapped in a first-strong isolate: its own
// direction marks end with it instead of reordering the rest of the line it is drawn in.
// Isolates the text leaves open are closed inside it; an end that closes nothing the text
// began is left out, as it could end this isolate early.
std::string isolated(const std::string& text);

// A text for one line of a menu: the controls that would break or cut the line (C0 and
// C1 controls, among them the tab that starts a menu's shortcut column, and the line and
// paragraph separators) show as spaces.
std::string oneLine(const std::string& text);

}  // namespace ui
