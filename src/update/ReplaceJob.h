#pragma once

#include <string>

// What the detached replace script is told: every path absolute except the two
// executables, which are relative to their bundles (bundle.json's "executable").
struct ReplaceJob {
    std::string log;            // appended to; the script keeps quiet when it cannot open it
    std::string pid;            // the process to outlive, decimal
    std::string target;         // the installed bundle
    std::string staged;         // the verified new bundle, inside stageDir
    std::string stageDir;       // the staging folder beside the target
    std::string package;        // the downloaded package, removed once the new copy runs
    int rounds = 200;           // waits of 0.3 s for pid to end
    std::string executable;     // the new bundle's
    std::string oldExecutable;  // the target's, started again when the new one fails
    // The old executable swaps target and staged in one step (the hidden launch argument of
    // platform/linux/FolderExchange.h) and back; the two renames only where that is refused.
    bool exchangeFolders = false;
};
