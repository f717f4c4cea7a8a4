#pragma once

#include "platform/desktop/Capture.h"

namespace sim {

// An error of the capture framework's domain with the given code, described as the
// framework describes its errors.
desktop::Error captureError(long code);

}  // namespace sim
