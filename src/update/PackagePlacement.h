#pragma once

#include "update/UpdateManifest.h"

#include <string>

// What becomes of a download once its body is in: main thread.
namespace packagedownload {

// Verifies the partial file against the manifest's digest and only then renames it to
// destination, making the phase ready; any failure removes the partial file.
void placePackage(const UpdateManifest& manifest, const std::string& partial, const std::string& destination);

// Back to available(manifest), with the failure alert for reason.
void downloadFailed(const UpdateManifest& manifest, const std::string& reason);

}  // namespace packagedownload
