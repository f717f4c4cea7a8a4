#include "update/AppUpdate.h"

#include "foundation/Diag.h"
#include "platform/dispatch/Queue.h"

#include <vector>

namespace {

bool checking = false;
std::optional<UpdateManifest> offered;

std::vector<std::function<void()>>& observers()
{
    static std::vector<std::function<void()>> list;
    return list;
}

// Observers run later on the main queue, so a change made inside one of them never
// re-enters another.
void notifyObservers()
{
    for (const auto& observer : observers()) dispatch::main().async(observer);
}

}  // namespace

std::optional<UpdateManifest> AppUpdate::available() { return offered; }

void AppUpdate::setAvailable(std::optional<UpdateManifest> manifest)
{
    if (manifest == offered) return;
    offered = std::move(manifest);
    didChange().post();
    notifyObservers();
}

ChangeNotice& AppUpdate::didChange()
{
    static ChangeNotice notice("GlimraUpdateAvailabilityChanged");
    return notice;
}

bool AppUpdate::isChecking() { return checking; }

void AppUpdate::setChecking(bool isChecking)
{
    if (isChecking == checking) return;
    checking = isChecking;
    notifyObservers();
}

void AppUpdate::addObserver(std::function<void()> observer)
{
    if (observer) observers().push_back(std::move(observer));
}
