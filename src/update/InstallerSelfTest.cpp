#include "update/UpdateInstaller.h"

void UpdateInstaller::selfTest(const SelfTestRecord&) {}

void UpdateInstaller::selfTestRealDownload(const std::optional<UpdateOutcome>&, const SelfTestRecord&) {}
