#include "platform/sim/SimWindowServer.h"

#include "platform/sim/SimWorld.h"
#include "platform/sim/WindowPainter.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

// Windows of applications without a name are listed without an owner name, as the
// window server leaves out a key it has no value for.
desktop::WindowInfo infoOf(const SimWindow& window, const SimApp* owner, bool onScreen, desktop::Pid ownPid)
{
    desktop::WindowInfo info;
    info.number = window.id;
    info.ownerPid = window.own ? ownPid : window.pid;
    if (window.own)
        info.ownerName = "Glimra";
    else if (owner && !owner->info.name.empty())
        info.ownerName = owner->info.name;
    info.name = window.title;
    info.layer = window.layer;
    info.bounds = window.frame;
    info.isOnscreen = onScreen;
    info.alpha = window.alpha;
    info.sharingState = 1;
    return info;
}

}  // namespace

SimWindowServer::SimWindowServer(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

void SimWindowServer::setSwitches(const Switches& switches)
{
    omitVirtualFromOnScreen_ = switches.omitVirtualFromOnScreen;
    unreadableList_ = switches.unreadableList;
    numbersGivenAgain_ = switches.numbersGivenAgain;
}

desktop::WindowLife SimWindowServer::windowLife(desktop::WindowID window)
{
    (void)window;
    return numbersGivenAgain_ ? 1 : 0;
}

std::vector<core::Rect> SimWindowServer::omittedDisplayFrames(desktop::WindowListOption option)
{
    using Option = desktop::WindowListOption;
    std::vector<core::Rect> frames;
    if (!omitVirtualFromOnScreen_ || option == Option::all || option == Option::includingWindow) return frames;
    for (const auto& display : world_->displays())
        if (display.isVirtual) frames.push_back(display.frame);
    return frames;
}

std::optional<std::vector<desktop::WindowInfo>> SimWindowServer::windowList(desktop::WindowListOption option,
                                                                            desktop::WindowID relativeTo,
                                                                            bool excludeDesktopElements)
{
    using Option = desktop::WindowListOption;
    if (unreadableList_) return std::nullopt;
    const auto omitted = omittedDisplayFrames(option);
    const auto onOmittedDisplay = [&](const core::Rect& frame) {
        const core::Point centre{frame.midX(), frame.midY()};
        return std::any_of(omitted.begin(), omitted.end(), [&](const core::Rect& d) { return d.contains(centre); });
    };
    std::vector<desktop::WindowInfo> list;
    if (option != Option::includingWindow) list.reserve(world_->windowCount());
    const desktop::Pid ownPid = world_->ownPid();
    bool passedRelative = false;
    world_->visitStack([&](const SimWindow& window, const SimApp* owner, bool onScreen) {
        const bool isRelative = window.id == relativeTo;
        if (option == Option::includingWindow) {
            if (isRelative) list.push_back(infoOf(window, owner, onScreen, ownPid));
            return !isRelative;
        }
        if (isRelative) passedRelative = true;
        if (option == Option::onScreenAboveWindow && passedRelative) return false;
        const bool wanted = option == Option::all ||
                            (onScreen && (option == Option::onScreenOnly ||
                                          (option == Option::onScreenBelowWindow && passedRelative && !isRelative) ||
                                          option == Option::onScreenAboveWindow));
        if (wanted && !(excludeDesktopElements && window.layer <= desktopIconLayer) && !onOmittedDisplay(window.frame))
            list.push_back(infoOf(window, owner, onScreen, ownPid));
        return true;
    });
    // Relative to a window that does not exist, nothing is above or below it.
    if ((option == Option::onScreenAboveWindow || option == Option::onScreenBelowWindow) && !passedRelative)
        list.clear();
    return list;
}

desktop::PixelBufferRef SimWindowServer::windowImage(desktop::WindowID id, desktop::ImageResolution resolution)
{
    std::optional<SimWindow> window;
    std::string appName;
    double contentTime = 0;
    double scale = 1;
    {
        std::lock_guard lock(world_->mutex());
        window = world_->window(id);
        // Minimised windows, windows of hidden applications and windows on another Space
        // are not composited.
        if (!window || !world_->isOnScreen(id)) return nullptr;
        contentTime = world_->contentTime(id);
        appName = world_->appName(window->pid);
        if (resolution == desktop::ImageResolution::best) scale = world_->scaleAt(window->frame);
    }
    if (window->own) return window->grab ? window->grab(scale) : nullptr;
    const int width = static_cast<int>(std::lround(window->frame.width() * scale));
    const int height = static_cast<int>(std::lround(window->frame.height() * scale));
    if (width < 1 || height < 1) return nullptr;
    return paintWindow(*window, appName, contentTime, width, height);
}

desktop::WindowID SimWindowServer::registerOwnWindow(const desktop::OwnWindowState& state, desktop::OwnWindowGrab grab,
                                                     desktop::OwnWindowEventSink sink, desktop::OwnWindowMoved moved)
{
    SimWindow window;
    window.id = world_->allocateWindowNumber();
    window.pid = world_->ownPid();
    window.title = state.title;
    window.frame = state.frame;
    window.layer = state.level;
    window.alpha = state.alpha;
    window.own = true;
    window.ownVisible = state.visible;
    window.ignoresMouseEvents = state.ignoresMouseEvents;
    window.grab = std::move(grab);
    window.sink = std::move(sink);
    window.moved = std::move(moved);
    const auto id = window.id;
    world_->addWindow(std::move(window));
    return id;
}

void SimWindowServer::updateOwnWindow(desktop::WindowID window, const desktop::OwnWindowState& state)
{
    world_->updateOwnWindow(window, state);
}

void SimWindowServer::orderOwnWindowFront(desktop::WindowID window)
{
    const auto found = world_->window(window);
    if (found && found->own) world_->raise(window);
}

void SimWindowServer::makeOwnWindowKey(desktop::WindowID window) { world_->setKeyOwnWindow(window); }

void SimWindowServer::unregisterOwnWindow(desktop::WindowID window)
{
    const auto found = world_->window(window);
    if (found && found->own) world_->removeWindow(window);
}

}  // namespace sim
