#pragma once

#include "app/ParkingLedger.h"

namespace app {

// Window parking's parked, strayed and lent records, read on the parking queue.
ParkingLedger parkingState();

}  // namespace app
