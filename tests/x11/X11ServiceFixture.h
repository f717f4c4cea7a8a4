#pragma once

#include "platform/dispatch/MainWait.h"
#include "platform/dispatch/ThreadScheduler.h"
#include "platform/x11/X11Connection.h"
#include "support/QtTestApplication.h"
#include "support/X11Client.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <cstdlib>

namespace testsupport {

// The desktop's connection to the test display; a failure is the test's, with the line
// that says why.
inline std::shared_ptr<x11::Connection> openTestDisplay()
{
    auto opened = x11::Connection::open();
    if (auto* problem = std::get_if<std::string>(&opened)) ADD_FAILURE() << *problem;
    auto* connection = std::get_if<std::shared_ptr<x11::Connection>>(&opened);
    return connection ? *connection : nullptr;
}

// A test of X11 desktop services: Qt on the test display, real time and threads, and the
// service's own connection.
class X11ServiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ::setenv("QT_QPA_PLATFORM", "xcb", 0);
        ensureQtApplication();
        dispatch::install(std::make_shared<dispatch::ThreadScheduler>());
        connection = openTestDisplay();
        ASSERT_TRUE(connection);
    }

    // Runs the main queue and Qt's events (its screens follow RandR there) until done.
    static bool waitOnMain(const std::function<bool()>& done, double seconds = 10)
    {
        return waitUntil(
            [&] {
                QCoreApplication::processEvents();
                return dispatch::runMainUntil(done, 0.02);
            },
            seconds);
    }

    std::shared_ptr<x11::Connection> connection;
};

}  // namespace testsupport
