#pragma once

#include "foundation/Diag.h"
#include "support/TestEnvironment.h"

#include <sstream>
#include <string>
#include <vector>

namespace capturetest {

// Virtual time plus the diagnostics log's lines, without their time stamps.
class CaptureTest : public testsupport::VirtualTimeTest {
protected:
    void SetUp() override
    {
        VirtualTimeTest::SetUp();
        Diag::resetForTesting();
    }
    void TearDown() override
    {
        Diag::resetForTesting();
        VirtualTimeTest::TearDown();
    }

    std::vector<std::string> diagLines() const
    {
        std::istringstream in(testsupport::readFile(dataHome() + "/Glimra/diag.log"));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) lines.push_back(line.size() > 9 ? line.substr(9) : line);
        return lines;
    }

    // Lines containing the fragment.
    std::vector<std::string> linesWith(const std::string& fragment) const
    {
        std::vector<std::string> found;
        for (const auto& line : diagLines()) {
            if (line.find(fragment) != std::string::npos) found.push_back(line);
        }
        return found;
    }
};

}  // namespace capturetest
