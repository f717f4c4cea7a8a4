#pragma once

#include "platform/desktop/Types.h"

#include <vector>

// The identifiers of the active displays, in the system's order; empty when none is
// active. Any thread.
std::vector<desktop::DisplayID> activeDisplayIDs();
