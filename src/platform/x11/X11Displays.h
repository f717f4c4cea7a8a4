#pragma once

#include "platform/desktop/Displays.h"
#include "platform/sim/MainQueueObservers.h"
#include "platform/x11/X11BatchedRead.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11QtRootProperties.h"

#include <memory>
#include <mutex>

namespace x11 {

// The RandR monitors of the X screen as far as they show the root, the primary first, in
// the desktop's global points. The monitors and the work area are read again on the main
// queue once for each batch of notices of their change; the global space follows them, and
// the configuration observers hear of it.
class X11Displays : public desktop::Displays {
public:
    // Reads the monitors at once; construct it on the main thread (Qt's screens give
    // each monitor's scale).
    explicit X11Displays(std::shared_ptr<Connection> connection);
    ~X11Displays() override;

    std::vector<desktop::DisplayInfo> activeDisplays() override;
    std::optional<desktop::DisplayInfo> display(desktop::DisplayID id) override;
    std::optional<desktop::DisplayID> mainDisplayID() override;
    std::optional<desktop::DisplayMode> currentMode(desktop::DisplayID id) override;
    std::optional<desktop::DisplayID> displayAt(core::Point point) override;
    // The user's monitors are never rearranged: only the empty commit succeeds.
    int commitConfiguration(const std::vector<desktop::OriginChange>& changes) override;
    // A monitor keeps its id (its name's) through a resize, so its frame must tell.
    bool resizeCountsAsNewScreen() const override { return true; }
    desktop::Token addConfigurationObserver(std::function<void()> onChange) override;
    void removeConfigurationObserver(desktop::Token token) override;

private:
    struct State;
    // Reads the monitors again; true when the displays differ from before.
    static bool reread(Connection& connection, State& state);

    std::shared_ptr<Connection> connection_;
    std::shared_ptr<State> state_;
    sim::MainQueueObservers<> observers_;
    // On the main queue: Qt's screens give each monitor's scale.
    std::unique_ptr<BatchedRead> rereads_;
    Connection::HandlerToken handler_ = 0;
    std::unique_ptr<QtRootPropertyRelay> qtRootProperties_;
};

}  // namespace x11
