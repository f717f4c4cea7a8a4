#pragma once

#include "platform/desktop/Tools.h"

#include <memory>

namespace sim {

class SimWorld;

// The tools of the simulated desktop: each run or launch is journaled ("tool.run",
// "tool.launch") and starts nothing but tar. "/usr/bin/tccutil reset ScreenCapture <own bundle
// identifier>" takes the screen-recording grant away; "/usr/bin/tccutil" and
// "/usr/bin/open" exit 0 (tccutil 1 for arguments it does not know); any other path
// cannot be started, but "/usr/bin/tar" (also through "/usr/bin/env NAME=value...") really
// runs. Launching starts those two or the application's own bundle path.
class SimTools : public desktop::Tools {
public:
    explicit SimTools(std::shared_ptr<SimWorld> world);

    desktop::ToolOutcome run(const std::string& path, const std::vector<std::string>& arguments,
                             double timeoutSeconds) override;
    bool launch(const std::string& path, const std::vector<std::string>& arguments) override;
    std::optional<int> startDetached(const std::string& path, const std::vector<std::string>& arguments) override;

private:
    desktop::ToolOutcome outcome(const std::string& path, const std::vector<std::string>& arguments,
                                 double timeoutSeconds);

    std::shared_ptr<SimWorld> world_;
};

}  // namespace sim
