#pragma once

#include "platform/desktop/AccessibilityObservers.h"

#include <memory>

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
    // Title bars keep their buttons at the top left.
    desktop::CornerInset buttonFreeCorner(desktop::WindowID) override { return {}; }

    desktop::ax::Error createObserver(desktop::Pid pid, ObserverCallback callback, desktop::Token& observer) override;
    desktop::ax::Error addNotification(desktop::Token observer, const desktop::Element& element,
                                       const std::string& notification) override;
    desktop::ax::Error removeNotification(desktop::Token observer, const desktop::Element& element,
                                          const std::string& notification) override;
    void destroyObserver(desktop::Token observer) override;

private:
    // Checks trust and the element's application and waits out its hang; success or the
    // error to answer.
    desktop::ax::Error enter(const desktop::Element& element, std::optional<SimApp>& app);
    desktop::ax::Error write(const desktop::Element& element, const std::string& attribute,
                             const desktop::AXValue& value);
    desktop::ax::Error copyOfApplication(const SimApp& app, const std::string& attribute, desktop::AXValue& value);

    std::shared_ptr<SimWorld> world_;
    std::shared_ptr<desktop::AccessibilityObservers> observers_ = std::make_shared<desktop::AccessibilityObservers>();
    std::uint64_t frameListener_ = 0;
    std::uint64_t focusListener_ = 0;
};

}  // namespace sim
