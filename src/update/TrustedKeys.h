#pragma once

#include <optional>
#include <string>
#include <vector>

// A copy trusts the Ed25519 public keys of its bundle's keys file (where the desktop says
// it is); a package signed with one of them may replace it. Its team is those keys, named
// by their ids joined with ","; a copy without keys has none and is ad hoc.

// The key ids of the Ed25519 public keys in PEM text, in order; other keys are skipped.
std::vector<std::string> publicKeyIdsIn(const std::string& pemText);
// The key ids the copy in the bundle folder trusts.
std::vector<std::string> trustedKeyIds(const std::string& bundlePath);
// The team of a copy trusting these keys; none without keys.
std::optional<std::string> teamOf(const std::vector<std::string>& keyIds);
