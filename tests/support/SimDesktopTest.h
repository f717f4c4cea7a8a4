#pragma once

#include "platform/desktop/Desktop.h"
#include "platform/sim/SimWorld.h"
#include "support/TestEnvironment.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// Virtual time plus an installed simulated desktop: one display (id 1, 1512×982 points
// at scale 2, a 25-point menu bar) and no other application than this one.
class SimDesktopTest : public VirtualTimeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    sim::SimWorld& world() { return *world_; }
    const std::shared_ptr<sim::SimWorld>& worldPtr() const { return world_; }
    desktop::Desktop& desktop() { return *desktop_; }

    // A running application; returns its pid.
    desktop::Pid addApp(desktop::Pid pid, const std::string& name, const std::string& bundleID = "",
                        const sim::AppBehavior& behavior = {});
    // A window of pid in front of the others of its layer; returns its number.
    desktop::WindowID addWindow(desktop::Pid pid, desktop::WindowID id, const core::Rect& frame,
                                const std::string& title = "", long layer = 0,
                                sim::Content content = sim::Content::animated);

    // The capture framework's record of a window, as the catalog hands it out; an empty
    // record when the window is not shareable.
    desktop::ShareableWindow shareableWindow(desktop::WindowID id);

    // What the application did to the desktop, in order.
    const std::vector<nlohmann::json>& journal() const { return *journal_; }
    // The journal's entries with the given "do".
    std::vector<nlohmann::json> journalOf(const std::string& what) const;

private:
    std::shared_ptr<sim::SimWorld> world_;
    std::shared_ptr<desktop::Desktop> desktop_;
    std::shared_ptr<std::vector<nlohmann::json>> journal_ = std::make_shared<std::vector<nlohmann::json>>();
};

}  // namespace testsupport
