#pragma once

#include "scenario/GlimraProcess.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>

namespace testsupport {

// Runs one scenario through the executable once for a whole suite, whose cases read what
// it wrote. Suite::scenarioFile(scratch) names the file; it may write it into the scratch
// folder first.
template <class Suite>
class ScenarioOnce : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scratch_ = new TempDir;
        outcome_ = runGlimra("--scenario " + Suite::scenarioFile(scratch_->path()) + " --out " + out(), scratch_->path());
        ASSERT_EQ(outcome_.status, 0) << outcome_.err;
        ASSERT_EQ(outcome_.err, "");
    }
    static void TearDownTestSuite()
    {
        delete scratch_;
        scratch_ = nullptr;
    }

    static std::string out() { return scratch_->path() + "/out"; }
    static nlohmann::json state(const std::string& file) { return nlohmann::json::parse(readFile(out() + "/" + file)); }

    static inline TempDir* scratch_ = nullptr;
    static inline ProcessOutcome outcome_;
};

}  // namespace testsupport
