#include "app/ParkingState.h"

#include "parking/ledger/ParkingController.h"

#include <map>

namespace app {
namespace {

// The records come keyed by window, so they are listed in window order.
std::vector<scenario::ParkingRecord> recordsOf(const std::map<desktop::WindowID, parking::Parked>& table)
{
    std::vector<scenario::ParkingRecord> records;
    for (const auto& [window, parked] : table)
        records.push_back({window, parked.pid, parked.originalFrame, parked.virtualDisplayID});
    return records;
}

}  // namespace

scenario::ParkingLedger parkingState()
{
    const auto& controller = parking::ParkingController::shared();
    return controller->queue().syncResult([&] {
        return scenario::ParkingLedger{recordsOf(controller->parkedRecords()), recordsOf(controller->strayedRecords()),
                                       recordsOf(controller->lentRecords())};
    });
}

}  // namespace app
