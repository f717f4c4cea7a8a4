#include "x11/GlimraOnDesktop.h"

#include "support/X11Client.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

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

bool askForTwoWorkspaces()
{
    return waitUntil([] {
        runTool({"wmctrl", "-n", "2"});
        return runTool({"xprop", "-root", "_NET_NUMBER_OF_DESKTOPS"}).find("= 1\n") == std::string::npos;
    });
}

std::vector<unsigned long> visibleWindowsOf(pid_t pid)
{
    return idsIn(runTool({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}));
}

std::string propertyOf(unsigned long window, const std::string& name)
{
    return runTool({"xprop", "-id", std::to_string(window), name});
}

bool viewable(unsigned long window)
{
    return runTool({"xwininfo", "-id", std::to_string(window)}).find("Map State: IsViewable") != std::string::npos;
}

bool onWorkspace(int workspace)
{
    return runTool({"xprop", "-root", "_NET_CURRENT_DESKTOP"}) ==
           "_NET_CURRENT_DESKTOP(CARDINAL) = " + std::to_string(workspace) + "\n";
}

std::string pixelsOf(unsigned long window) { return runTool({"xwd", "-id", std::to_string(window), "-silent"}); }

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

Geometry clientAreaOf(unsigned long window)
{
    const std::string info = runTool({"xwininfo", "-id", std::to_string(window)});
    return {numberAfter(info, "Absolute upper-left X:"), numberAfter(info, "Absolute upper-left Y:"),
            numberAfter(info, "Width:"), numberAfter(info, "Height:")};
}

int depthOf(unsigned long window) { return numberAfter(runTool({"xwininfo", "-id", std::to_string(window)}), "Depth:"); }

Geometry frameOf(unsigned long window)
{
    Geometry frame = clientAreaOf(window);
    // "_NET_FRAME_EXTENTS = left, right, top, bottom"
    const std::string property = runTool({"xprop", "-id", std::to_string(window), "-notype", "_NET_FRAME_EXTENTS"});
    const auto equals = property.find('=');
    std::istringstream extents(equals == std::string::npos ? std::string() : property.substr(equals + 1));
    std::string word;
    int side[4] = {0, 0, 0, 0};
    for (int i = 0; i < 4 && std::getline(extents, word, ','); ++i) side[i] = std::atoi(word.c_str());
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

int screenHeight()
{
    std::istringstream size(runTool({"xdotool", "getdisplaygeometry"}));
    int width = 0, height = 0;
    size >> width >> height;
    return height;
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

UserFolders::UserFolders(const std::string& extraDefaults, Guide guide)
{
    for (const char* name : {"config", "config/Glimra", "data", "runtime"}) {
        std::filesystem::create_directory(path(name));
        std::filesystem::permissions(path(name), std::filesystem::perms::owner_all);
    }
    nlohmann::json defaults{{"updateLastCheckAt", std::time(nullptr)}};
    if (guide == Guide::done) defaults["onboardingCompleted"] = true;
    defaults.update(nlohmann::json::parse("{" + extraDefaults + "}"));
    writeFile(path("config/Glimra/defaults.json"), defaults.dump() + "\n");
}

std::map<std::string, std::string> UserFolders::environment() const
{
    return {{"XDG_CONFIG_HOME", path("config")}, {"XDG_DATA_HOME", path("data")}, {"XDG_RUNTIME_DIR", path("runtime")}};
}

GlimraOnDesktop::GlimraOnDesktop(const std::string& extraDefaults, std::map<std::string, std::string> environment)
    : ownFolders_(std::make_unique<UserFolders>(extraDefaults)), folders_(ownFolders_.get())
{
    environment.merge(folders_->environment());
    process_ = std::make_unique<GlimraChild>(std::vector<std::string>{}, folders_->home(), environment);
}

GlimraOnDesktop::GlimraOnDesktop(const UserFolders& folders, const std::string& executable)
    : folders_(&folders),
      logStart_(readFile(folders.path("data/Glimra/diag.log")).size()),
      process_(
          std::make_unique<GlimraChild>(executable, std::vector<std::string>{}, folders.home(), folders.environment()))
{
}

bool GlimraOnDesktop::ready(double timeoutSeconds)
{
    const auto statusItemShown = [&] {
        return statusButtonOf(pid()) != 0 || log().find("status item: system tray") != std::string::npos;
    };
    return process_->started() && waitUntil(statusItemShown, timeoutSeconds) &&
           waitUntil([&] { return log().find("按住热键:") != std::string::npos; }, timeoutSeconds);
}

std::string GlimraOnDesktop::log() const
{
    const std::string whole = readFile(folders_->path("data/Glimra/diag.log"));
    return whole.size() < logStart_ ? whole : whole.substr(logStart_);
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

void answerAlert(unsigned long alert)
{
    runTool({"xdotool", "windowactivate", "--sync", std::to_string(alert), "key", "Return"});
}

unsigned long waitForNewWindow(pid_t pid, const std::vector<unsigned long>& known, double seconds)
{
    unsigned long found = 0;
    waitUntil(
        [&] {
            for (const unsigned long window : visibleWindowsOf(pid))
                if (std::find(known.begin(), known.end(), window) == known.end()) return (found = window) != 0;
            return false;
        },
        seconds);
    return found;
}

bool goneFromScreen(pid_t pid, unsigned long window)
{
    return waitUntil([&] { return !isVisibleWindowOf(pid, window); }, 5);
}

void clickMiddleOf(unsigned long window)
{
    const Geometry frame = geometryOf(window);
    runTool({"xdotool", "mousemove", std::to_string(frame.x + frame.width / 2),
             std::to_string(frame.y + frame.height / 2), "click", "1"});
}

unsigned long shownMenu(pid_t pid, const std::vector<unsigned long>& before, int minimumWidth)
{
    for (const unsigned long window : visibleWindowsOf(pid))
        if (std::find(before.begin(), before.end(), window) == before.end() && geometryOf(window).width >= minimumWidth)
            return window;
    return 0;
}

unsigned long openStatusMenu(pid_t pid, unsigned long statusItem, int minimumWidth)
{
    const auto before = visibleWindowsOf(pid);
    unsigned long menu = 0;
    for (int attempt = 0; attempt < 3 && menu == 0; ++attempt) {
        clickMiddleOf(statusItem);
        waitUntil([&] { return (menu = shownMenu(pid, before, minimumWidth)) != 0; }, 4);
    }
    return menu;
}

void chooseInStatusMenu(GlimraOnDesktop& glimra, unsigned long statusItem, int rowFromBottom)
{
    // The menu may list no window.
    const unsigned long menu = openStatusMenu(glimra.pid(), statusItem, 1);
    ASSERT_NE(menu, 0u) << "no status menu";
    for (int row = 0; row < rowFromBottom; ++row) runTool({"xdotool", "key", "Up"});
    runTool({"xdotool", "key", "Return"});
    ASSERT_TRUE(goneFromScreen(glimra.pid(), menu));
}

std::size_t occurrences(const std::string& text, const std::string& part)
{
    std::size_t count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

unsigned long triggerBlockOf(pid_t pid)
{
    for (const unsigned long window : visibleWindowsOf(pid)) {
        const Geometry frame = geometryOf(window);
        if (frame.width == 84 && frame.height == 56) return window;
    }
    return 0;
}

unsigned long restInCorner(GlimraOnDesktop& glimra, const std::string& owner, PointerPoint away, PointerPoint corner)
{
    const auto misses = [&] { return occurrences(glimra.log(), "悬停不触发: 光标下窗口 owner=" + owner); };
    const std::size_t missed = misses();
    movePointer(away.x, away.y);
    if (!waitUntil([&] { return misses() > missed; }, 5)) return 0;
    movePointer(corner.x, corner.y);
    unsigned long block = 0;
    waitUntil([&] { return (block = triggerBlockOf(glimra.pid())) != 0; }, 5);
    return block;
}

std::string GlimraOnDesktop::errBesidesRefusals() const
{
    std::istringstream lines(err());
    std::string kept;
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("x11: the server refused ", 0) != 0) kept += line + "\n";
    return kept;
}

}  // namespace testsupport
