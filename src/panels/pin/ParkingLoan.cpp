#include "panels/pin/ParkingLoan.h"

#include "parking/WindowParking.h"

namespace pin::ParkingLoan {

Calls& calls()
{
    static Calls instance{
        [](desktop::WindowID id) {
            auto& parking = WindowParking::shared();
            return parking.queue().syncResult([&] { return parking.takeOver(id); });
        },
        [](desktop::WindowID id) {
            auto& parking = WindowParking::shared();
            parking.queue().sync([&] { parking.giveBack(id); });
        },
        [](desktop::WindowID id) {
            auto& parking = WindowParking::shared();
            parking.queue().sync([&] { parking.releaseTakeover(id); });
        },
    };
    return instance;
}

std::optional<core::Rect> takeOver(desktop::WindowID windowID) { return calls().takeOver(windowID); }

void giveBack(desktop::WindowID windowID) { calls().giveBack(windowID); }

void releaseTakeover(desktop::WindowID windowID) { calls().releaseTakeover(windowID); }

}  // namespace pin::ParkingLoan
