#pragma once

#include <optional>
#include <string>

// XDG base directories. Each is read from the environment on every call, so tests and
// the scenario runner can point them elsewhere.
namespace core::paths {

// $XDG_CONFIG_HOME, else ~/.config; none when neither it nor $HOME is set.
std::optional<std::string> configHome();
// $XDG_DATA_HOME, else ~/.local/share.
std::optional<std::string> dataHome();
// The application's own data folder (dataHome/Glimra): the "Application Support" folder.
std::optional<std::string> applicationSupport();

// The folder for temporary files: $TMPDIR when it is an absolute path, else /tmp. A
// scenario run points it into its output folder.
std::string temporaryFolder();

// The user's runtime folder: $XDG_RUNTIME_DIR when it is an absolute path, else
// /run/user/<uid> when that is a folder of this user's, else the user session's own
// fallback, runtime-<user name> in the temporary folder, made with mode 0700 when missing;
// when that name is taken by something not this user's folder, runtime-<user name>-<uid>
// beside it (one line in the system log). Chosen once per process and temporary folder;
// every copy of the application run by the user finds the same one.
std::string runtimeFolder();

// Creates the folder and its parents, each made for the user alone (0700) whatever the
// umask; true when it exists afterwards.
bool makeDirectories(const std::string& path);

}  // namespace core::paths
