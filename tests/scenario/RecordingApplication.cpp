#include "scenario/RecordingApplication.h"

#include "foundation/Diag.h"
#include "platform/core/SystemLog.h"
#include "platform/defaults/Defaults.h"
#include "platform/desktop/Desktop.h"
#include "platform/dispatch/Queue.h"

#include <algorithm>
#include <cstdio>

namespace testsupport {

RecordingApplication::RecordingApplication(Options options, std::shared_ptr<std::vector<std::string>> record)
    : options_(std::move(options)), record_(std::move(record))
{
}

namespace {

std::string stamped(const std::string& what)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.2f ", dispatch::now());
    return time + what;
}

}  // namespace

void RecordingApplication::note(const std::string& what) { record_->push_back(stamped(what)); }

void RecordingApplication::launch(const std::vector<std::string>& args)
{
    std::string joined;
    for (const auto& arg : args) joined += " " + arg;
    note("launch" + joined);
    Diag::log("launched" + joined);
    core::systemLog::write("[Glimra] launched");
    defaults::Defaults::standard().set("launches", 1);

    auto record = record_;
    desktop::hotKeys().setHandler([record](desktop::HotKeyIdentity identity, bool pressed) {
        record->push_back(stamped("hotkey " + std::to_string(identity.id) + (pressed ? " pressed" : " released")));
    });
    desktop::Token token = 0;
    desktop::hotKeys().registerHotKey({0x474C4D52, 1}, 3,
                                      desktop::hotkeyModifier::command | desktop::hotkeyModifier::option, token);
    desktop::input().warpPointer({5, 5});

    if (!options_.streamWindow) return;
    desktop::ShareableWindow window;
    window.windowID = options_.streamWindow;
    desktop::StreamConfiguration configuration;
    configuration.width = 40;
    configuration.height = 30;
    configuration.minimumFrameInterval = 0.1;
    stream_ = desktop::capture().makeStream(
        desktop::ContentFilter::desktopIndependentWindow(window), configuration, [record](const desktop::Error& error) {
            record->push_back(stamped("stream stopped " + std::to_string(error.code)));
        });
    stream_->addOutput(dispatch::main(), [](const desktop::Frame&) {});
    stream_->startCapture([](std::optional<desktop::Error>) {});
}

std::optional<app::CommandFields> RecordingApplication::command(const std::string& name) const
{
    const auto found = options_.commands.find(name);
    if (found == options_.commands.end()) return std::nullopt;
    return found->second;
}

void RecordingApplication::runCommand(const app::CommandCall& call)
{
    std::string fields;
    if (call.window) fields += " window=" + std::to_string(*call.window);
    if (call.region) fields += " region=" + core::rectText(*call.region);
    note("command " + call.name + fields +
         " screenRecording=" + (desktop::permissions().screenCapturePreflight() ? "yes" : "no"));
}

void RecordingApplication::deliverSignal(const std::string& name)
{
    note("signal " + name);
    if (name == "SIGUSR2" && options_.exitOnSIGUSR2)
        dispatch::main().asyncAfter(0.25, [status = exitStatus_, code = *options_.exitOnSIGUSR2] { *status = code; });
}

void RecordingApplication::quit()
{
    note("quit");
    dispatch::main().asyncAfter(0.5, [status = exitStatus_] { *status = 0; });
}

std::optional<int> RecordingApplication::exitStatus() const { return *exitStatus_; }

void RecordingApplication::focusWindow(desktop::WindowID window) { note("focus " + std::to_string(window)); }

nlohmann::ordered_json RecordingApplication::panels() const
{
    return nlohmann::ordered_json::array({{{"source", options_.streamWindow}, {"visible", true}}});
}

app::ParkingLedger RecordingApplication::parking() const { return options_.parking; }

nlohmann::ordered_json RecordingApplication::guide() const { return nullptr; }

}  // namespace testsupport
