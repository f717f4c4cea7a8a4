#include "update/BundleSignature.h"

std::optional<std::string> bundleKeyId(const std::string&) { return std::nullopt; }

bool isTrustedKeyId(const std::string&) { return false; }
