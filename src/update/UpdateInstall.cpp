#include "update/UpdateInstaller.h"

#include "platform/dispatch/Queue.h"

void UpdateInstaller::installAndRelaunch() {}

std::optional<std::string> UpdateInstaller::signingTeamID() { return std::nullopt; }

bool UpdateInstaller::allowsSelfReplace() { return false; }

void runOnMainAfter(double seconds, std::function<void()> block) { dispatch::main().asyncAfter(seconds, std::move(block)); }
