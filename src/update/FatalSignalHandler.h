#pragma once

#include <string>

// Writes a crash report when the process dies of a fatal signal (segmentation fault, bus
// error, illegal instruction, arithmetic fault, abort), then lets the signal take the
// course it had before: a previous handler (a sanitizer's) runs, else the process dies.
namespace FatalSignalHandler {

// The report goes to base/below/Glimra-<UTC time>-<pid>.crash: `preamble`, the signal, the
// time, the process and the crashing thread's frames (CrashStack). The folders of `below`
// (names joined by '/') are made 0700 and never followed through a link. Folders and
// preamble are copied now, since nothing may be prepared once the process is failing.
// Where the handler is in place already, only the folders and the preamble change.
void install(const std::string& base, const std::string& below, const std::string& preamble);

}  // namespace FatalSignalHandler
