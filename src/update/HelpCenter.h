#pragma once

#include <string>
#include <utility>
#include <vector>

// Help and feedback: the contact page and the diagnostics report. Main thread.
namespace HelpCenter {

// The contact page ("helpContactBase" when it is an http(s) address, else the built-in one)
// with the query items app, v, os and lang.
std::string contactURL();
using QueryItems = std::vector<std::pair<std::string, std::string>>;
// The base with its query replaced by the items, in order; every byte but letters, digits
// and "-._~" percent-encoded.
std::string contactURL(const std::string& base, const QueryItems& items);
// Logs and hands the contact page to the desktop's opener.
void openContact();

// The last n non-empty lines of the diagnostics log, or the single line "（无法读取日志）".
std::vector<std::string> tailLog(int n);
// Versions, language, permission states (or, on a desktop without grants, a line saying
// there are none), mini-window count and the last logLines lines of the log, one per line.
std::string diagnosticsText(int logLines);
// Puts diagnosticsText(60) on the pasteboard and confirms with an alert.
void copyDiagnostics();

}  // namespace HelpCenter
