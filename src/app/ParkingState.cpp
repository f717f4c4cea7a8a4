#include "app/ParkingState.h"

#include "parking/ledger/ParkingController.h"

#include <map>

namespace app {
namespace {

// The records come keyed by window, so they are listed in window order.
std::vector<ParkingRecord> recordsOf(const std::map<desktop::WindowID, parking::Parked>& table)
{
    std::vector<ParkingRecord> records;
    for (const auto& [window, parked] : table)
        records.push_back({window, parked.pid, parked.originalFrame, parked.virtualDisplayID});
    return records;
}

}  // namespace

ParkingLedger parkingState()
{
    const auto& controller = parking::ParkingController::shared();
    return controller->queue().syncResult([&] {
        return ParkingLedger{recordsOf(controller->parkedRecords()), recordsOf(controller->strayedRecords()),
                             recordsOf(controller->lentRecords())};
    });
}

}  // namespace app
