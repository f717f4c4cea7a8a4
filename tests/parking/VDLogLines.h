#pragma once

#include "parking/ledger/VDLog.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace parkingtest {

// Collects what the parking code writes to its log sink while it lives.
class VDLogLines {
public:
    VDLogLines()
    {
        VDLog::sink = [lines = lines_](const std::string& line) { lines->push_back(line); };
    }
    ~VDLogLines() { VDLog::sink = [](const std::string&) {}; }
    VDLogLines(const VDLogLines&) = delete;
    VDLogLines& operator=(const VDLogLines&) = delete;

    const std::vector<std::string>& all() const { return *lines_; }
    void clear() { lines_->clear(); }

    // Lines containing the fragment.
    std::vector<std::string> with(const std::string& fragment) const
    {
        std::vector<std::string> found;
        std::copy_if(lines_->begin(), lines_->end(), std::back_inserter(found),
                     [&](const std::string& line) { return line.find(fragment) != std::string::npos; });
        return found;
    }

private:
    std::shared_ptr<std::vector<std::string>> lines_ = std::make_shared<std::vector<std::string>>();
};

}  // namespace parkingtest
