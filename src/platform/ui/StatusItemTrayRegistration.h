#pragma once

#include <QObject>

#include <functional>

namespace ui {

// Whether the StatusNotifierItem watcher took the tray icon Qt has just shown: Qt registers
// it over a connection of its own and only logs a refusal (a watcher that denies access),
// which would leave no item anywhere. `refused` runs on the main thread once the watcher,
// asked after Qt's registration, does not list the item; not when it cannot be asked.
// Nothing once `context` is gone.
void checkTrayRegistration(QObject* context, std::function<void()> refused);

}  // namespace ui
