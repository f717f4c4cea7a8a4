#include "parking/display/VDShim.h"

#include "platform/desktop/Desktop.h"

bool VDAvailable() { return desktop::virtualDisplays().available(); }
