#include "update/CrashReporter.h"

void CrashReporter::start() {}
