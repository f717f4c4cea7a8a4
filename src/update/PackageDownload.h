#pragma once

#include "update/UpdateManifest.h"

#include <cstdint>
#include <string>

// The running package download: loads into a unique partial file of the updates folder,
// moves the phase's progress on the main queue and hands the finished file to placement.
namespace packagedownload {

// A body over this many bytes, declared or received, ends the download: 1 GiB.
std::uint64_t byteCap();
// Lets tests reach the cap without a gigabyte.
void setByteCap(std::uint64_t bytes);

// Main thread, phase already downloading(manifest, 0).
void start(const UpdateManifest& manifest, const std::string& url, const std::string& folder);

}  // namespace packagedownload
