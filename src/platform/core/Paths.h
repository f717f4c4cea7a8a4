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

// Creates the folder and its parents; true when it exists afterwards.
bool makeDirectories(const std::string& path);

}  // namespace core::paths
