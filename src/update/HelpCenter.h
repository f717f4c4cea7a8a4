#pragma once

#include <string>
#include <vector>

// Help and feedback: the contact page and the diagnostics report. Main thread.
namespace HelpCenter {

// The contact page ("helpContactBase" when set, else the built-in one) with the query
// items app, v, os and lang.
std::string contactURL();
// Logs and hands the contact page to the desktop's opener.
void openContact();

// The last n non-empty lines of the diagnostics log, or the single line "（无法读取日志）".
std::vector<std::string> tailLog(int n);
// Versions, language, permission states, mini-window count and the last logLines lines of
// the log, one per line.
std::string diagnosticsText(int logLines);
// Puts diagnosticsText(60) on the pasteboard and confirms with an alert.
void copyDiagnostics();

}  // namespace HelpCenter
