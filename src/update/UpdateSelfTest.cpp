#include "update/AppUpdate.h"

int AppUpdate::selfTest() { return 0; }
