#include "platform/desktop/AccessibilityObservers.h"

#include "platform/dispatch/Queue.h"
#include "platform/dispatch/WhileAlive.h"

namespace desktop {

ax::Error AccessibilityObservers::create(Pid pid, Callback callback, Token& observer)
{
    if (pid <= 0 || !callback) return ax::illegalArgument;
    std::lock_guard lock(mutex_);
    observer = next_++;
    byToken_.emplace(observer, Observer{pid, std::move(callback), {}});
    return ax::success;
}

std::optional<Pid> AccessibilityObservers::pidOf(Token observer) const
{
    std::lock_guard lock(mutex_);
    const auto it = byToken_.find(observer);
    if (it == byToken_.end()) return std::nullopt;
    return it->second.pid;
}

ax::Error AccessibilityObservers::subscribe(Token observer, const Element& element, const std::string& notification)
{
    std::lock_guard lock(mutex_);
    const auto it = byToken_.find(observer);
    if (it == byToken_.end()) return ax::invalidUIElementObserver;
    const bool added = it->second.subscriptions.emplace(element.pid, element.window, notification).second;
    return added ? ax::success : ax::notificationAlreadyRegistered;
}

ax::Error AccessibilityObservers::unsubscribe(Token observer, const Element& element, const std::string& notification)
{
    std::lock_guard lock(mutex_);
    const auto it = byToken_.find(observer);
    if (it == byToken_.end()) return ax::invalidUIElementObserver;
    const bool removed = it->second.subscriptions.erase({element.pid, element.window, notification}) > 0;
    return removed ? ax::success : ax::notificationNotRegistered;
}

void AccessibilityObservers::destroy(Token observer)
{
    std::lock_guard lock(mutex_);
    byToken_.erase(observer);
}

std::vector<AccessibilityObservers::Subscription> AccessibilityObservers::subscriptions() const
{
    std::vector<Subscription> result;
    std::lock_guard lock(mutex_);
    for (const auto& [token, observer] : byToken_)
        for (const auto& [pid, window, notification] : observer.subscriptions)
            result.push_back({pid, window, notification});
    return result;
}

std::vector<Token> AccessibilityObservers::listeningLocked(Pid pid, WindowID window, const std::string& notification) const
{
    std::vector<Token> listening;
    for (const auto& [token, observer] : byToken_) {
        if (observer.pid != pid) continue;
        const auto& subscribed = observer.subscriptions;
        if (subscribed.count({pid, window, notification}) || subscribed.count({pid, 0, notification}))
            listening.push_back(token);
    }
    return listening;
}

std::vector<AccessibilityObservers::Callback> AccessibilityObservers::listeners(Pid pid, WindowID window,
                                                                                const std::string& notification) const
{
    std::vector<Callback> callbacks;
    std::lock_guard lock(mutex_);
    for (const auto token : listeningLocked(pid, window, notification))
        callbacks.push_back(byToken_.at(token).callback);
    return callbacks;
}

void AccessibilityObservers::post(const std::weak_ptr<AccessibilityObservers>& weak, Pid pid, WindowID window,
                                  const std::string& notification)
{
    const auto observers = weak.lock();
    if (!observers) return;
    std::vector<Token> listening;
    {
        std::lock_guard lock(observers->mutex_);
        listening = observers->listeningLocked(pid, window, notification);
    }
    for (const auto token : listening) {
        dispatch::main().async(
            dispatch::whileAlive(weak, [token, pid, window, notification](AccessibilityObservers& alive) {
                Callback callback;
                {
                    std::lock_guard lock(alive.mutex_);
                    const auto it = alive.byToken_.find(token);
                    if (it == alive.byToken_.end()) return;
                    callback = it->second.callback;
                }
                callback(Element{pid, window}, notification);
            }));
    }
}

}  // namespace desktop
