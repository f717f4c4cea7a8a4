#pragma once

#include "foundation/Diag.h"
#include "support/SimDesktopTest.h"
#include "support/TestEnvironment.h"

#include <sstream>
#include <string>
#include <vector>

namespace testsupport {

// A test fixture with a fresh diagnostics log whose lines can be read back without
// their time stamps.
template <class Base>
class WithDiagLines : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        Diag::resetLocation();
    }
    void TearDown() override
    {
        Diag::resetLocation();
        Base::TearDown();
    }

    std::vector<std::string> diagLines() const
    {
        std::istringstream in(testsupport::readFile(this->dataHome() + "/Glimra/diag.log"));
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

using DiagTest = WithDiagLines<VirtualTimeTest>;
using SimDesktopDiagTest = WithDiagLines<SimDesktopTest>;

}  // namespace testsupport
