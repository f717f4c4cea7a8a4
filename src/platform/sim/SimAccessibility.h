#pragma once

#include "platform/desktop/Accessibility.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <tuple>

namespace sim {

class SimWorld;
struct SimApp;

// Accessibility on the simulated desktop: elements of the world's applications and
// windows, answered the way each application's behaviour says (refusing, clamping,
// settling late, hanging). Every write and action is journaled with its result.
class SimAccessibility : public desktop::Accessibility {
public:
    explicit SimAccessibility(std::shared_ptr<SimWorld> world);
    ~SimAccessibility() override;

    bool isTrusted(bool prompt = false) override;
    desktop::ax::Error copyAttribute(const desktop::Element& element, const std::string& attribute,
                                     desktop::AXValue& value) override;
    desktop::ax::Error setAttribute(const desktop::Element& element, const std::string& attribute,
                                    const desktop::AXValue& value) override;
    desktop::ax::Error performAction(const desktop::Element& element, const std::string& action) override;
    std::optional<desktop::WindowID> windowNumber(const desktop::Element& element) override;

    desktop::ax::Error createObserver(desktop::Pid pid, ObserverCallback callback, desktop::Token& observer) override;
    desktop::ax::Error addNotification(desktop::Token observer, const desktop::Element& element,
                                       const std::string& notification) override;
    desktop::ax::Error removeNotification(desktop::Token observer, const desktop::Element& element,
                                          const std::string& notification) override;
    void destroyObserver(desktop::Token observer) override;

private:
    using Subscription = std::tuple<desktop::Pid, desktop::WindowID, std::string>;
    struct Observer {
        desktop::Pid pid = 0;
        ObserverCallback callback;
        std::set<Subscription> subscriptions;
    };
    struct Observers {
        std::mutex mutex;
        std::map<desktop::Token, Observer> byToken;
        desktop::Token next = 1;
    };

    // Checks trust and the element's application and waits out its hang; success or the
    // error to answer.
    desktop::ax::Error enter(const desktop::Element& element, std::optional<SimApp>& app);
    desktop::ax::Error write(const desktop::Element& element, const std::string& attribute,
                             const desktop::AXValue& value);
    desktop::ax::Error copyOfApplication(const SimApp& app, const std::string& attribute, desktop::AXValue& value);
    // Tells the observers of the window's application that subscribed to the
    // notification on the window or on the application.
    static void notify(const std::weak_ptr<Observers>& observers, desktop::Pid pid, desktop::WindowID window,
                       const std::string& notification);

    std::shared_ptr<SimWorld> world_;
    std::shared_ptr<Observers> observers_ = std::make_shared<Observers>();
    std::uint64_t frameListener_ = 0;
    std::uint64_t focusListener_ = 0;
};

}  // namespace sim
