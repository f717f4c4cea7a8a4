#pragma once

#include "platform/desktop/Capture.h"

namespace desktop::captureError {

// An error of the capture framework's domain with the given code, described as the
// framework describes its errors.
desktop::Error error(long code);

}  // namespace desktop::captureError
