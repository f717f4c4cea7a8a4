#pragma once

#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"
#include "support/X11Client.h"
#include "x11/GlimraOnDesktop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace testsupport {

inline int statusOf(const std::vector<std::string>& arguments, std::string* output = nullptr)
{
    int status = -1;
    const std::string text = runTool(arguments, &status);
    if (output) *output = text;
    return status;
}

// `cmake --install` of the build into a fresh prefix, laid out as a desktop program: the
// stripped bundle under lib/glimra and what the desktop finds under bin and share.
class InstalledCopy : public ::testing::Test {
protected:
    static constexpr double launchWait = 30;
    static constexpr double quitWait = 3;

    void SetUp() override
    {
        ASSERT_EQ(statusOf({GLIMRA_CMAKE, "--install", GLIMRA_BUILD_DIR, "--prefix", prefix()}), 0);
    }
    // A fresh folder for other copies beside the prefix.
    const std::string& root() const { return root_.path(); }
    std::string prefix() const { return root_.path() + "/usr local"; }
    std::string bundle() const { return prefix() + "/lib/glimra"; }
    std::string autostartEntry() const { return folders_.path("config/autostart/glimra.desktop"); }
    std::string log() const { return readFile(folders_.path("data/Glimra/diag.log")); }
    // The copies' working and temporary folder.
    const std::string& scratch() const { return scratch_.path(); }

    // Starts the copy in the test's user folders and waits until its status item shows and
    // the log holds the line.
    std::unique_ptr<GlimraChild> launch(const std::string& executable, const std::string& line,
                                        const std::vector<std::string>& arguments = {})
    {
        auto environment = folders_.environment();
        environment["TMPDIR"] = scratch();
        auto child = std::make_unique<GlimraChild>(executable, arguments, scratch(), environment);
        EXPECT_TRUE(waitUntil(launchWait,
                              [&] {
                                  return !child->running() || (log().find(line) != std::string::npos &&
                                                               (!arguments.empty() || statusButtonOf(child->pid()) != 0));
                              }))
            << line << "\n"
            << log() << child->err();
        return child;
    }
    static void quit(GlimraChild& child)
    {
        child.signal(SIGTERM);
        EXPECT_EQ(child.waitForExit(quitWait), 0) << child.err();
    }

private:
    TempDir root_;
    TempDir scratch_;
    UserFolders folders_;
};

}  // namespace testsupport
