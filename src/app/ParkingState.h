#pragma once

#include "scenario/ParkingLedger.h"

namespace app {

// Window parking's parked, strayed and lent records, read on the parking queue.
scenario::ParkingLedger parkingState();

}  // namespace app
