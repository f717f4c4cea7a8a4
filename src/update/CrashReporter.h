#pragma once

#include <map>
#include <optional>
#include <string>

// Crash reporting: a fatal signal leaves a report in the application's crash-report folder;
// at the next launch each unsent report is redacted and posted, once, to the service.
// Silent: no alert, and no log line but one for a report too large to read.
namespace CrashReporter {

using Payload = std::map<std::string, std::string>;

// At launch, on the main thread: installs the fatal-signal handler, writes the switch
// "crashReportingEnabled" (true) when absent, and on a background worker keeps the newest
// 20 reports and, when the switch is on, scans.
void start();

// Sends each unsent report and records what was sent in "crashReportsUploaded"; a report
// too large to read is recorded there unsent. Blocks.
void scanAndUpload();

// Posts the payload to base + "/api/crash" under the idempotency key; true only for a
// 2xx answer within 20 s. Blocks.
bool upload(const Payload& payload, const std::string& idempotencyKey);
bool upload(const Payload& payload, const std::string& idempotencyKey, const std::optional<std::string>& base);

// The running application's bundle value ("version" or "build"); "?" when it has none.
std::string plistValue(const std::string& key);

}  // namespace CrashReporter
