#pragma once

#include "app/CommandCall.h"
#include "shellcore/Commands.h"

#include <optional>
#include <string_view>

namespace app {

class AppDelegate;

// What a command acts on, where it takes anything: the window a step names and the
// region of it (fractions, as a step gives them).
struct CommandTarget {
    std::optional<desktop::WindowID> window;
    std::optional<core::Rect> region;
};

// Everything about one command: the name a scenario step gives it, the fields the step
// may carry, and what the application does for it.
struct CommandRow {
    Command command;
    std::string_view name;
    CommandFields fields;
    void (*run)(AppDelegate& app, const CommandTarget& target);
};

const CommandRow& commandRow(Command command);

// The row a scenario step names; none for an unknown name (names are case-sensitive).
const CommandRow* commandNamed(std::string_view name);

}  // namespace app
