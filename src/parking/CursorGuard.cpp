#include "parking/CursorGuard.h"

#include "foundation/Diag.h"

CursorGuard& CursorGuard::shared()
{
    static CursorGuard instance;
    return instance;
}

void CursorGuard::start() {}

void CursorGuard::rescueNow() { Diag::log("光标逃生：收到热键"); }
