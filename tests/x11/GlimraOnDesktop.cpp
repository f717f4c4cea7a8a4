#include "x11/GlimraOnDesktop.h"

#include "support/X11Client.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <sstream>

namespace testsupport {

namespace {

std::vector<unsigned long> idsIn(const std::string& text)
{
    std::vector<unsigned long> ids;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);)
        if (!line.empty()) ids.push_back(std::stoul(line));
    return ids;
}

int numberAfter(const std::string& text, const std::string& label)
{
    const auto at = text.find(label);
    return at == std::string::npos ? 0 : std::atoi(text.c_str() + at + label.size());
}

}  // namespace

std::vector<unsigned long> visibleWindowsOf(pid_t pid)
{
    return idsIn(runTool({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}));
}

std::string pixelsOf(unsigned long window)
{
    return runTool({"xwd", "-id", std::to_string(window), "-silent"});
}

Geometry geometryOf(unsigned long window)
{
    std::map<std::string, int> values;
    std::istringstream lines(runTool({"xdotool", "getwindowgeometry", "--shell", std::to_string(window)}));
    for (std::string line; std::getline(lines, line);) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) values[line.substr(0, equals)] = std::stoi(line.substr(equals + 1));
    }
    return {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
}

Geometry frameOf(unsigned long window)
{
    const std::string info = runTool({"xwininfo", "-id", std::to_string(window)});
    Geometry frame{numberAfter(info, "Absolute upper-left X:"), numberAfter(info, "Absolute upper-left Y:"),
                   numberAfter(info, "Width:"), numberAfter(info, "Height:")};
    // left, right, top, bottom
    std::istringstream extents(runTool({"xprop", "-id", std::to_string(window), "-notype", "_NET_FRAME_EXTENTS"}));
    std::string word;
    int side[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && std::getline(extents, word, i == 0 ? '=' : ',');) {
        if (i == 0 && word.find("_NET_FRAME_EXTENTS") != std::string::npos) continue;
        side[i++] = std::atoi(word.c_str());
    }
    frame.x -= side[0];
    frame.y -= side[2];
    frame.width += side[0] + side[1];
    frame.height += side[2] + side[3];
    return frame;
}

// Puts the window's top-left at the point: the window manager places a moved window by its
// frame, so a first move tells how far it lands off and a second one makes up for it.
void moveWindowTo(unsigned long window, int x, int y)
{
    const auto move = [&](int toX, int toY) {
        runTool({"xdotool", "windowmove", "--sync", std::to_string(window), std::to_string(toX), std::to_string(toY)});
    };
    move(x, y);
    const Geometry landed = geometryOf(window);
    if (landed.x != x || landed.y != y) move(2 * x - landed.x, 2 * y - landed.y);
}

int screenWidth()
{
    const std::string size = runTool({"xdotool", "getdisplaygeometry"});
    return size.empty() ? 0 : std::stoi(size);
}

unsigned long statusButtonOf(pid_t pid)
{
    const int right = screenWidth();
    for (const unsigned long window : visibleWindowsOf(pid)) {
        const Geometry frame = geometryOf(window);
        if (frame.width > 1 && frame.x + frame.width >= right - 120 && frame.y < 120) return window;
    }
    return 0;
}

unsigned long newPictureWindowOf(pid_t pid, const std::vector<unsigned long>& known)
{
    for (const unsigned long window : visibleWindowsOf(pid)) {
        if (std::find(known.begin(), known.end(), window) != known.end()) continue;
        const Geometry frame = geometryOf(window);
        if (frame.width >= 64 && frame.height >= 48) return window;
    }
    return 0;
}

// Whether the window's pixels change three times, each within the time: a clock that
// ticks each second does, a frozen picture does not (the first changes could be the
// mini window's own appearance).
bool keepsChanging(unsigned long window, double seconds)
{
    for (int change = 0; change < 3; ++change) {
        const std::string before = pixelsOf(window);
        if (before.empty()) return false;
        if (!waitUntil([&] { return pixelsOf(window) != before; }, seconds)) return false;
    }
    return true;
}

bool isVisibleWindowOf(pid_t pid, unsigned long window)
{
    const auto windows = visibleWindowsOf(pid);
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

UserFolders::UserFolders(const std::string& extraDefaults)
{
    for (const char* name : {"config", "config/Glimra", "data", "runtime"}) {
        std::filesystem::create_directory(path(name));
        std::filesystem::permissions(path(name), std::filesystem::perms::owner_all);
    }
    writeFile(path("config/Glimra/defaults.json"),
              "{\"onboardingCompleted\": true, \"updateLastCheckAt\": " + std::to_string(std::time(nullptr)) +
                  (extraDefaults.empty() ? "" : ", " + extraDefaults) + "}\n");
}

std::map<std::string, std::string> UserFolders::environment() const
{
    return {{"XDG_CONFIG_HOME", path("config")}, {"XDG_DATA_HOME", path("data")}, {"XDG_RUNTIME_DIR", path("runtime")}};
}

GlimraOnDesktop::GlimraOnDesktop(const std::string& extraDefaults)
    : folders_(extraDefaults),
      process_(std::make_unique<GlimraChild>(std::vector<std::string>{}, folders_.home(), folders_.environment()))
{
}

bool GlimraOnDesktop::ready(double timeoutSeconds)
{
    return process_->started() && waitUntil([&] { return statusButtonOf(pid()) != 0; }, timeoutSeconds) &&
           waitUntil([&] { return log().find("按住热键:") != std::string::npos; }, timeoutSeconds);
}

std::string GlimraOnDesktop::log() const
{
    return readFile(folders_.path("data/Glimra/diag.log"));
}

unsigned long GlimraOnDesktop::waitForNewPictureWindow(const std::vector<unsigned long>& before, double timeoutSeconds)
{
    unsigned long window = 0;
    waitUntil([&] { return (window = newPictureWindowOf(pid(), before)) != 0; }, timeoutSeconds);
    return window;
}

int GlimraOnDesktop::quit()
{
    process_->signal(SIGTERM);
    return process_->waitForExit(3).value_or(-1);
}

}  // namespace testsupport
