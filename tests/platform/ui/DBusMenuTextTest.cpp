#include "platform/ui/DBusMenuText.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

// What a tray shows for the text Qt is given. Qt turns the first "&" that is not the last
// character into the access-key marker "_"; the tray shows "__" as "_" and underlines the
// character after a single "_" (written "[c]" here), which draws nothing for a word joiner.
std::string trayShows(const std::string& title)
{
    QString wire = ui::dbusMenuText(title);
    if (const auto at = wire.indexOf(u'&'); at >= 0 && at < wire.size() - 1) wire[at] = u'_';
    QString shown;
    for (qsizetype i = 0; i < wire.size(); ++i) {
        const bool marker = wire[i] == u'_' && i + 1 < wire.size() && wire[++i] != u'_';
        if (wire[i] == u'\u2060') continue;
        shown += marker ? QStringLiteral("[%1]").arg(wire[i]) : QString(wire[i]);
    }
    return shown.toStdString();
}

TEST(DBusMenuText, TraysShowTheTextAsWrittenOnOneLineWithNoLetterUnderlined)
{
    for (const auto& [title, shown] : std::vector<std::pair<std::string, std::string>>{
             {"Help & Feedback…", "Help & Feedback…"},
             {"XTerm · Tom && Jerry & _x_", "XTerm · Tom && Jerry & _x_"},
             {"帮助 & 反馈", "帮助 & 反馈"},
             {"a_b__c", "a_b__c"},
             {"& more", "& more"},
             {"tail &", "tail &"},
             {"Esc\x1b[1m\u2028two\ttab\u0085", "Esc [1m two tab "},
         })
        EXPECT_EQ(trayShows(title), shown) << title;
}

}  // namespace
