#pragma once

#include <functional>
#include <string>

// Where window parking and the virtual-display code write their log lines (each begins
// with "[VD] "). Does nothing until the launch points it at the diagnostics log, which
// happens once, before any parking work runs; callable from any thread after that.
namespace VDLog {

inline std::function<void(const std::string& line)> sink = [](const std::string&) {};

// A parking line: the prefix, then the text.
inline void write(const std::string& text) { sink("[VD] " + text); }

}  // namespace VDLog
