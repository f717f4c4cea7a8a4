#include "platform/sim/SimTools.h"

#include "platform/linux/ProcessTools.h"
#include "platform/sim/SimWorld.h"

namespace sim {
namespace {

constexpr const char* tccutil = "/usr/bin/tccutil";
constexpr const char* open = "/usr/bin/open";
constexpr const char* tar = "/usr/bin/tar";
constexpr const char* env = "/usr/bin/env";

// Packages are real files on both desktops, so tar runs for real: directly, or through
// env for its locale.
bool runsTar(const std::string& path, const std::vector<std::string>& arguments)
{
    if (path == tar) return true;
    if (path != env) return false;
    for (const auto& argument : arguments)
        if (argument.find('=') == std::string::npos) return argument == tar;
    return false;
}

}  // namespace

SimTools::SimTools(std::shared_ptr<SimWorld> world) : world_(std::move(world)) {}

desktop::ToolOutcome SimTools::outcome(const std::string& path, const std::vector<std::string>& arguments,
                                       double timeoutSeconds)
{
    desktop::ToolOutcome result;
    if (runsTar(path, arguments)) {
        result = linuxdesktop::ProcessTools().run(path, arguments, timeoutSeconds);
    } else if (path == open) {
        result.kind = desktop::ToolOutcome::Kind::exited;
        result.exitStatus = 0;
    } else if (path == tccutil) {
        result.kind = desktop::ToolOutcome::Kind::exited;
        const bool resetsCapture = arguments.size() == 3 && arguments[0] == "reset" && arguments[1] == "ScreenCapture";
        result.exitStatus = resetsCapture ? 0 : 1;
        const auto own = world_->app(world_->ownPid());
        if (resetsCapture && own && !own->info.bundleIdentifier.empty() && arguments[2] == own->info.bundleIdentifier)
            world_->setScreenRecordingAllowed(false);
    }
    return result;
}

desktop::ToolOutcome SimTools::run(const std::string& path, const std::vector<std::string>& arguments,
                                   double timeoutSeconds)
{
    const auto result = outcome(path, arguments, timeoutSeconds);
    nlohmann::json event = {{"do", "tool.run"}, {"path", path}, {"arguments", arguments}, {"timeout", timeoutSeconds}};
    if (result.kind == desktop::ToolOutcome::Kind::exited)
        event["status"] = result.exitStatus;
    else
        event["result"] = "could not start";
    world_->record(std::move(event));
    return result;
}

bool SimTools::launch(const std::string& path, const std::vector<std::string>& arguments)
{
    // Only the two tools and the application itself exist; nothing else can be started.
    const auto own = world_->app(world_->ownPid());
    const bool known = path == open || path == tccutil || (own && own->info.bundlePath == path);
    world_->record({{"do", "tool.launch"}, {"path", path}, {"arguments", arguments}, {"result", known}});
    return known;
}

std::optional<int> SimTools::startDetached(const std::string& path, const std::vector<std::string>& arguments)
{
    // Nothing runs on the simulated desktop; the process id only has to look real.
    constexpr int madeUpPid = 48213;
    world_->record({{"do", "tool.start"}, {"path", path}, {"arguments", arguments}, {"pid", madeUpPid}});
    return madeUpPid;
}

}  // namespace sim
