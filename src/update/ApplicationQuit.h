#pragma once

#include <functional>

// The installer ends the application through the shell, which it cannot reach itself: the
// shell sets the quit at launch. Unset, nothing quits.
void setApplicationQuit(std::function<void()> quit);
void quitApplication();
