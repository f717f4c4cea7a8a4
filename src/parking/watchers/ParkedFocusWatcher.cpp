#include "parking/watchers/ParkedFocusWatcher.h"

ParkedFocusWatcher& ParkedFocusWatcher::shared()
{
    static ParkedFocusWatcher instance;
    return instance;
}

void ParkedFocusWatcher::start() {}
