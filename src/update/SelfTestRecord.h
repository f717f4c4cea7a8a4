#pragma once

#include <functional>
#include <string>

// One case of the update self-tests: its name, whether it held, and an optional detail.
using SelfTestRecord = std::function<void(const std::string& name, bool ok, const std::string& detail)>;
