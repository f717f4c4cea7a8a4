#include "update/UpdateInstaller.h"

void UpdateInstaller::startDownload(const UpdateManifest&) {}

std::optional<std::string> UpdateInstaller::acceptableURL(const std::string&) { return std::nullopt; }

std::optional<std::string> UpdateInstaller::updatesDir() { return std::nullopt; }

std::string UpdateInstaller::packageFileName(const UpdateManifest&) { return {}; }

std::optional<std::string> UpdateInstaller::sha256OfFile(const std::string&) { return std::nullopt; }

void UpdateInstaller::presentReadyPrompt() {}
