#pragma once

#include "update/ReplaceJob.h"

#include <string>
#include <vector>

// "/bin/sh", the interpreter the arguments below are for.
extern const char* const replaceScriptShell;

// "-c", the script text, "glimra-update", then the job's values in the order the script
// reads them. The script text is fixed at compile time and reads every value from its
// positional parameters, so no path can change what it does.
std::vector<std::string> replaceScriptArguments(const ReplaceJob& job);
