#include "app/DebugHooksSignals.h"

#include <map>

namespace DebugHooks {

namespace {

// Until the platform's signal pipe is merged the handlers are only kept: the signals
// keep their default disposition.
std::map<int, std::function<void()>>& handlers()
{
    static std::map<int, std::function<void()>> registered;
    return registered;
}

}  // namespace

void onSignal(int signalNumber, std::function<void()> handler) { handlers()[signalNumber] = std::move(handler); }

}  // namespace DebugHooks
