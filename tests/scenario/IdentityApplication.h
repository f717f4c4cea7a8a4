#pragma once

#include "scenario/EmptyApplication.h"

namespace testsupport {

// Logs at launch what a run hands the application: its identity, the bundle.json at its
// bundle path, two unique names, and the first line of a placed crash report.
class IdentityApplication : public scenario::EmptyApplication {
public:
    void launch(const std::vector<std::string>& args) override;
};

}  // namespace testsupport
