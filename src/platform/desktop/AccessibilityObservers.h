#pragma once

#include "platform/desktop/Accessibility.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>
#include <vector>

namespace desktop {

// The observers an accessibility service has handed out and what each subscribed to,
// with the errors the calls on them answer. Safe from any thread; it never calls out
// while it holds its lock.
class AccessibilityObservers {
public:
    using Callback = Accessibility::ObserverCallback;
    struct Subscription {
        Pid pid = 0;
        WindowID window = 0;  // 0: every window of the application
        std::string notification;
    };

    ax::Error create(Pid pid, Callback callback, Token& observer);
    // The application an observer watches; none for an unknown observer.
    std::optional<Pid> pidOf(Token observer) const;
    ax::Error subscribe(Token observer, const Element& element, const std::string& notification);
    ax::Error unsubscribe(Token observer, const Element& element, const std::string& notification);
    void destroy(Token observer);

    // Every subscription of every observer.
    std::vector<Subscription> subscriptions() const;
    // The callbacks of the observers of the window's application that subscribed to the
    // notification on the window or on the application.
    std::vector<Callback> listeners(Pid pid, WindowID window, const std::string& notification) const;
    // Runs those callbacks on the main queue with the window's element; an observer
    // destroyed before its turn, or one of observers gone by then, hears nothing.
    static void post(const std::weak_ptr<AccessibilityObservers>& observers, Pid pid, WindowID window,
                     const std::string& notification);

private:
    struct Observer {
        Pid pid = 0;
        Callback callback;
        std::set<std::tuple<Pid, WindowID, std::string>> subscriptions;
    };

    std::vector<Token> listeningLocked(Pid pid, WindowID window, const std::string& notification) const;

    mutable std::mutex mutex_;
    std::map<Token, Observer> byToken_;
    Token next_ = 1;
};

}  // namespace desktop
