#include "parking/VDShim.h"

#include "platform/desktop/Desktop.h"

bool VDAvailable() { return desktop::virtualDisplays().available(); }
