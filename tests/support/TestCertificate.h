#pragma once

#include <string>

namespace testsupport {

// Writes a fresh self-signed certificate for 127.0.0.1 and its key (PEM): a server no
// client trusts.
void writeSelfSignedCertificate(const std::string& certificatePath, const std::string& keyPath);

}  // namespace testsupport
