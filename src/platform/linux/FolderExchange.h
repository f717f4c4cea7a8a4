#pragma once

#include <string>

namespace linuxdesktop {

enum class FolderExchange {
    exchanged,  // each path now names what the other did, in one step
    refused,    // the filesystem (or kernel) cannot exchange: renaming is all that is left
    failed,     // anything else; both paths are as they were
};

// Swaps two entries of one filesystem atomically (renameat2's RENAME_EXCHANGE), so that
// no instant sees either path missing.
FolderExchange exchangeFolders(const std::string& first, const std::string& second);

// The hidden launch argument the replace script runs the installed copy with, followed by
// the two paths; the copy does the exchange and exits with exchangeStatus.
inline constexpr const char* exchangeFoldersArgument = "-glimra-exchange-folders";
int exchangeStatus(FolderExchange result);

}  // namespace linuxdesktop
