#pragma once

#include "platform/desktop/Tools.h"

namespace linuxdesktop {

// Runs tools as child processes (QProcess), without a shell. run blocks the calling
// thread until the tool exits or the time-out passes.
class ProcessTools : public desktop::Tools {
public:
    desktop::ToolOutcome run(const std::string& path, const std::vector<std::string>& arguments,
                             double timeoutSeconds) override;
    bool launch(const std::string& path, const std::vector<std::string>& arguments) override;
    std::optional<int> startDetached(const std::string& path, const std::vector<std::string>& arguments) override;
};

}  // namespace linuxdesktop
