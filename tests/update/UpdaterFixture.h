#pragma once

#include "platform/sim/SimUrlLoading.h"
#include "platform/ui/RecordingAlertPresenter.h"
#include "support/DiagLines.h"
#include "update/AppUpdate.h"
#include "update/UpdateInstaller.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

// The simulated desktop with recorded alerts and the updater's process-wide state reset.
class UpdaterTest : public SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        SimDesktopDiagTest::SetUp();
        ui::AlertPresenter::install(alerts);
        AppUpdate::setAvailable(std::nullopt);
        AppUpdate::setChecking(false);
        UpdateInstaller::setPhase({});
        UpdateInstaller::setSuppressPrompts(false);
        clock().runUntilIdle();
    }
    void TearDown() override
    {
        // Late answers still alert; they must reach the recorder, not a real dialog.
        clock().runUntilIdle();
        ui::AlertPresenter::install(nullptr);
        AppUpdate::setAvailable(std::nullopt);
        UpdateInstaller::setPhase({});
        SimDesktopDiagTest::TearDown();
    }

    // The scripted server's answers.
    void serve(std::vector<sim::ScriptedRoute> routes)
    {
        std::dynamic_pointer_cast<sim::SimUrlLoading>(desktop().urlLoading)->setRoutes(std::move(routes));
    }

    // The answer at a path on any host.
    static sim::ScriptedRoute route(const std::string& path, int status, const std::string& body, double delay = 0)
    {
        sim::ScriptedRoute answer;
        answer.path = path;
        answer.status = status;
        answer.body = body;
        answer.delay = delay;
        return answer;
    }

    static UpdateManifest newerManifest()
    {
        return {"9.1.0", AppUpdate::currentBuild() + 1, "https://updates.glimra.app/Glimra-9.1.0.tar.gz"};
    }

    // Runs the simulated network on virtual time until done holds, at most 30 s.
    void advanceUntil(const std::function<bool()>& done)
    {
        for (int step = 0; step < 600 && !done(); ++step) clock().advance(0.05);
    }

    static std::string manifestJSON(const UpdateManifest& manifest)
    {
        nlohmann::json json{{"shortVersion", manifest.shortVersion}, {"build", manifest.build}, {"url", manifest.url}};
        if (manifest.minSystemVersion) json["minSystemVersion"] = *manifest.minSystemVersion;
        if (manifest.rolloutPercent) json["rolloutPercent"] = *manifest.rolloutPercent;
        return json.dump();
    }

    // The built-in endpoint answering with the manifest.
    void serveManifest(const UpdateManifest& manifest) { serve({route("/v1.json", 200, manifestJSON(manifest))}); }

    std::shared_ptr<ui::RecordingAlertPresenter> alerts = std::make_shared<ui::RecordingAlertPresenter>();
};

}  // namespace testsupport
