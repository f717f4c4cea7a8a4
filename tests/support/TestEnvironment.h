#pragma once

#include "platform/dispatch/ManualScheduler.h"
#include "support/ScopedEnvironment.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

namespace testsupport {

// A fresh temporary folder, removed at destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// Each test gets virtual time, its own XDG folders (settings and data) and a clean
// system-log capture.
class VirtualTimeTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    dispatch::ManualScheduler& clock() { return *scheduler_; }
    const std::string& home() const { return home_->path(); }
    std::string configHome() const { return home() + "/config"; }
    std::string dataHome() const { return home() + "/data"; }

    std::shared_ptr<dispatch::ManualScheduler> scheduler_;
    std::unique_ptr<TempDir> home_;

private:
    std::optional<ScopedEnvironment> folders_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& contents);
// The entry's permission bits, never those of what a link names; 0 when it is missing.
unsigned modeOf(const std::string& path);

}  // namespace testsupport
