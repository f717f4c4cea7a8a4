#pragma once

#include "platform/desktop/Capture.h"
#include "app/Application.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// An application that uses the desktop a little at launch (a log line, a system-log line,
// a setting, a hot key, a pointer warp, a capture stream on one window) and writes down
// what reaches it, with the virtual time, into a list that outlives it.
class RecordingApplication : public app::Application {
public:
    struct Options {
        std::map<std::string, app::CommandFields> commands;
        desktop::WindowID streamWindow = 0;  // 0: no stream
        std::optional<int> exitOnSIGUSR2;    // exits by itself a quarter second after the signal
        app::ParkingLedger parking;          // what it reports parked, strayed and lent
    };

    RecordingApplication(Options options, std::shared_ptr<std::vector<std::string>> record);

    void launch(const std::vector<std::string>& args) override;
    std::optional<app::CommandFields> command(const std::string& name) const override;
    void runCommand(const app::CommandCall& call) override;
    void deliverSignal(const std::string& name) override;
    void quit() override;
    std::optional<int> exitStatus() const override;
    void focusWindow(desktop::WindowID window) override;
    nlohmann::ordered_json panels() const override;
    app::ParkingLedger parking() const override;
    nlohmann::ordered_json guide() const override;

private:
    void note(const std::string& what);

    Options options_;
    std::shared_ptr<std::vector<std::string>> record_;
    std::shared_ptr<desktop::CaptureStream> stream_;
    std::shared_ptr<std::optional<int>> exitStatus_ = std::make_shared<std::optional<int>>();
};

}  // namespace testsupport
