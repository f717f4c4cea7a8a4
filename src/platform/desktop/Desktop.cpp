#include "platform/desktop/Desktop.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace desktop {
namespace {

std::mutex& installMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<Desktop>& installed()
{
    static std::shared_ptr<Desktop> desktop;
    return desktop;
}

}  // namespace

void install(std::shared_ptr<Desktop> desktop)
{
    std::lock_guard lock(installMutex());
    installed() = std::move(desktop);
}

Desktop& current()
{
    std::lock_guard lock(installMutex());
    if (!installed()) {
        std::fprintf(stderr, "desktop: no desktop installed\n");
        std::abort();
    }
    return *installed();
}

const Conventions& conventions()
{
    static const Conventions defaults;
    std::lock_guard lock(installMutex());
    return installed() ? installed()->conventions : defaults;
}

std::optional<std::string> keyCap(int keyCode)
{
    std::shared_ptr<Input> input;
    {
        std::lock_guard lock(installMutex());
        if (installed()) input = installed()->input;
    }
    return input ? input->keyCap(keyCode) : std::nullopt;
}

double firstScreenHeight(Displays& displays)
{
    const auto list = displays.activeDisplays();
    return list.empty() ? 900.0 : list.front().frame.height();
}

}  // namespace desktop
