#include "platform/sim/SimWorld.h"

#include "platform/dispatch/Queue.h"
#include "platform/sim/SimWorldLock.h"

namespace sim {

SimWorld::ListenerToken SimWorld::onDisplaysChanged(std::function<void()> listener)
{
    Lock lock(*this);
    listeners_.displays.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onActivated(std::function<void(desktop::Pid)> listener)
{
    Lock lock(*this);
    listeners_.activated.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onWindowFrameChanged(
    std::function<void(desktop::WindowID, desktop::Pid, const core::Rect&, const core::Rect&)> listener)
{
    Lock lock(*this);
    listeners_.frame.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onFocusedWindowChanged(std::function<void(desktop::Pid, desktop::WindowID)> listener)
{
    Lock lock(*this);
    listeners_.focus.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

SimWorld::ListenerToken SimWorld::onStackChanged(std::function<void()> listener)
{
    Lock lock(*this);
    listeners_.stack.emplace(nextListener_, std::move(listener));
    return nextListener_++;
}

void SimWorld::removeListener(ListenerToken token)
{
    Lock lock(*this);
    listeners_.displays.erase(token);
    listeners_.activated.erase(token);
    listeners_.frame.erase(token);
    listeners_.focus.erase(token);
    listeners_.stack.erase(token);
}

void SimWorld::deliver(const std::vector<Event>& events, const Listeners& listeners)
{
    for (const auto& event : events) {
        switch (event.kind) {
        case Event::Kind::displays:
            for (const auto& [token, listener] : listeners.displays) listener();
            break;
        case Event::Kind::activated:
            for (const auto& [token, listener] : listeners.activated) listener(event.pid);
            break;
        case Event::Kind::frame:
            for (const auto& [token, listener] : listeners.frame)
                listener(event.window, event.pid, event.from, event.to);
            break;
        case Event::Kind::focus:
            for (const auto& [token, listener] : listeners.focus) listener(event.pid, event.window);
            break;
        case Event::Kind::stack:
            for (const auto& [token, listener] : listeners.stack) listener();
            break;
        }
    }
}

void SimWorld::setJournal(Journal journal)
{
    Lock lock(*this);
    journal_ = std::move(journal);
}

void SimWorld::record(nlohmann::json event)
{
    Journal journal;
    {
        Lock lock(*this);
        journal = journal_;
    }
    if (!journal) return;
    nlohmann::json line = nlohmann::json::object();
    line["t"] = dispatch::now();
    for (auto& [key, value] : event.items()) line[key] = value;
    journal(line);
}

}  // namespace sim
