#include "update/ApplicationQuit.h"

namespace {

std::function<void()>& installedQuit()
{
    static std::function<void()> quit;
    return quit;
}

}  // namespace

void setApplicationQuit(std::function<void()> quit) { installedQuit() = std::move(quit); }

void quitApplication()
{
    if (installedQuit()) installedQuit()();
}
