#pragma once

#include "support/QtTestApplication.h"
#include "support/SimDesktopTest.h"
#include "support/X11Client.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPointF>
#include <QScreen>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

namespace x11test {

// Our own windows on the test display; the rest of the desktop (its one display made the
// size of the X screen) is the simulated one.
class X11WindowsOnSimDesktop : public testsupport::SimDesktopTest {
protected:
    void SetUp() override
    {
        ::setenv("QT_QPA_PLATFORM", "xcb", 1);
        testsupport::ensureQtApplication();
        SimDesktopTest::SetUp();
        auto display = world().displays().front();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        display.frame = core::Rect(0, 0, screen.width(), screen.height());
        display.visibleFrame = display.frame;
        display.scale = 1;
        display.mode = {double(screen.width()), double(screen.height()), screen.width(), screen.height(), 60};
        world().removeDisplay(display.id);
        world().addDisplay(display);
    }

    // Waits for the condition while Qt and the main queue do their work.
    bool settle(const std::function<bool()>& condition, double seconds = 10)
    {
        return testsupport::waitUntil(
            [&] {
                QCoreApplication::processEvents();
                clock().runUntilIdle();
                return condition();
            },
            seconds);
    }

    // X's pixels per Qt point (QT_SCALE_FACTOR).
    static double pixelRatio() { return QGuiApplication::primaryScreen()->devicePixelRatio(); }

    static QPoint rootPixel(const QPoint& qtGlobal) { return (QPointF(qtGlobal) * pixelRatio()).toPoint(); }

    static void moveTo(const QPoint& qtGlobal)
    {
        const QPoint pixel = rootPixel(qtGlobal);
        testsupport::runTool({"xdotool", "mousemove", "--sync", std::to_string(pixel.x()), std::to_string(pixel.y())});
    }

    void clickAt(const QPoint& qtGlobal)
    {
        moveTo(qtGlobal);
        testsupport::runTool({"xdotool", "click", "1"});
    }
};

}  // namespace x11test
