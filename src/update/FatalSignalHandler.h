#pragma once

#include <string>

// Writes a crash report when the process dies of a fatal signal (segmentation fault, bus
// error, illegal instruction, arithmetic fault, abort), then lets the signal take the
// course it had before: a previous handler (a sanitizer's) runs, else the process dies.
namespace FatalSignalHandler {

// The report goes to folder/Glimra-<UTC time>-<pid>.crash: `preamble`, the signal, the
// time, the process and the crashing thread's frames (CrashStack). Folder and preamble
// are copied now, since nothing may be prepared once the process is failing. Where
// the handler is in place already, only the folder and the preamble change.
void install(const std::string& folder, const std::string& preamble);

}  // namespace FatalSignalHandler
