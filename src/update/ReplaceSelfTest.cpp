#include "update/UpdateInstaller.h"

void UpdateInstaller::selfTestReplaceMechanism(const SelfTestRecord&) {}
