#include "scenario/EmptyApplication.h"

#include "foundation/Diag.h"

namespace scenario {

void EmptyApplication::launch(const std::vector<std::string>&) {}

bool EmptyApplication::hasCommand(const std::string&) const
{
    return false;
}

// Never called: the scenario reader refuses every command this application lacks.
void EmptyApplication::runCommand(const std::string&) {}

void EmptyApplication::deliverSignal(const std::string& name)
{
    Diag::log("signal " + name + " received");
}

void EmptyApplication::quit()
{
    exitStatus_ = 0;
}

std::optional<int> EmptyApplication::exitStatus() const
{
    return exitStatus_;
}

nlohmann::json EmptyApplication::panels() const
{
    return nlohmann::json::array();
}

}  // namespace scenario
