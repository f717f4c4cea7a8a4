#pragma once

#include "update/ReplaceJob.h"

#include <string>
#include <vector>

// The script text: fixed at compile time, it reads every value from its positional
// parameters, so no path can change what it does.
extern const char* const replaceScriptText;

// "/bin/sh", the interpreter the arguments below are for.
extern const char* const replaceScriptShell;

// "-c", the script text, "glimra-update", then the job's values in the order the script
// reads them.
std::vector<std::string> replaceScriptArguments(const ReplaceJob& job);
