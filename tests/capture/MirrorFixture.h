#pragma once

#include "support/DiagLines.h"
#include "capture/StreamMirror.h"
#include "platform/sim/SimCapture.h"

#include <gtest/gtest.h>

namespace capturetest {

using Outcome = WindowParking::RescueOutcome;
inline constexpr desktop::WindowID sourceID = 500;

// A mirror of one animated window of another application, its nine callbacks recorded,
// on the simulated desktop.
class MirrorFixture : public testsupport::SimDesktopDiagTest {
protected:
    void SetUp() override
    {
        testsupport::SimDesktopDiagTest::SetUp();
        addApp(42, "Notes", "com.example.notes");
        addWindow(42, sourceID, {100, 100, 800, 600}, "Notes");
    }

    void TearDown() override
    {
        if (mirror) mirror->stop();
        mirror.reset();
        testsupport::SimDesktopDiagTest::TearDown();
    }

    sim::SimCapture& simCapture() { return dynamic_cast<sim::SimCapture&>(*desktop().capture); }

    void makeMirror(int frameRate = 30)
    {
        mirror = StreamMirror::make(shareableWindow(sourceID), frameRate);
        mirror->onFrame = [this](desktop::PixelBufferRef frame) { frames.push_back(frame); };
        mirror->onStopped = [this](std::optional<std::string> text) { stopped.push_back(text.value_or("")); };
        mirror->onStartError = [this](std::string text) { startErrors.push_back(text); };
        mirror->onSourceFullscreen = [this] { ++fullscreenNotices; };
        mirror->onContentRegion = [this](core::Rect region) { regions.push_back(region); };
        mirror->onSourceFrozen = [this](bool frozen) { frozenNotices.push_back(frozen); };
        mirror->onFrozenByOcclusion = [this](desktop::WindowID id) {
            parkRequests.push_back(id);
            return Outcome::failed;
        };
    }

    void startMirror(int frameRate = 30)
    {
        makeMirror(frameRate);
        mirror->startFresh();
        clock().runUntilIdle();
    }

    long capturingStreams()
    {
        long count = 0;
        for (const auto& stream : simCapture().streams()) count += stream.capturing;
        return count;
    }

    std::shared_ptr<StreamMirror> mirror;
    std::vector<desktop::PixelBufferRef> frames;
    std::vector<std::string> stopped;
    std::vector<std::string> startErrors;
    std::vector<core::Rect> regions;
    std::vector<bool> frozenNotices;
    std::vector<desktop::WindowID> parkRequests;
    int fullscreenNotices = 0;
};

}  // namespace capturetest
