#pragma once

#include <optional>
#include <string>

namespace linuxdesktop {

// What the login item's autostart entry starts for one copy of the application.
struct AutostartProgram {
    std::string executable;              // the path the entry's Exec names
    std::optional<std::string> refusal;  // why this copy can never start at login

    bool operator==(const AutostartProgram&) const = default;
};

// For the copy whose executable is at the path (the kernel's /proc/self/exe). Only an
// installed copy starts at login: a copy run from its build folder would be gone or
// rebuilt by the next login. An installed copy at PREFIX/lib/glimra is started through
// the PREFIX/bin link that leads to it, so the entry names what the user installed.
AutostartProgram autostartProgramFor(const std::string& executablePath);

// The running executable; empty when the kernel does not tell.
std::string currentExecutable();

}  // namespace linuxdesktop
