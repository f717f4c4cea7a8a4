#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The names of the reports already sent, oldest first, as "crashReportsUploaded" keeps them.
namespace CrashUploadLedger {

constexpr std::size_t capacity = 50;

// The list after a scan: names no longer in the folder dropped, the newly sent ones
// appended in send order, then only the newest `capacity` kept.
std::vector<std::string> updated(const std::vector<std::string>& remembered, const std::vector<std::string>& present,
                                 const std::vector<std::string>& sent);

std::vector<std::string> load();
// Writes nothing for an empty list that was never stored.
void store(const std::vector<std::string>& names);

}  // namespace CrashUploadLedger
