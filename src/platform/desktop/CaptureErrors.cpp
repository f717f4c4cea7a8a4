#include "platform/desktop/CaptureErrors.h"

namespace desktop::captureError {
namespace {

const char* reason(long code)
{
    switch (code) {
    case userDeclined: return "Screen recording is not allowed for this application.";
    case failedToStart: return "The stream failed to start.";
    case missingEntitlements: return "The application lacks the entitlement to capture.";
    case failedApplicationConnectionInvalid: return "The connection to the capture service is invalid.";
    case failedApplicationConnectionInterrupted: return "The connection to the capture service was interrupted.";
    case failedNoMatchingApplicationContext: return "No application context matches the stream.";
    case attemptToStartStreamState: return "The stream is already capturing or has ended.";
    case attemptToStopStreamState: return "The stream is not capturing.";
    case attemptToUpdateFilterState: return "The stream cannot be updated while it is not capturing.";
    case attemptToConfigQueueDepth: return "The queue depth is out of range.";
    case invalidParameter: return "A parameter of the call is not valid.";
    case noCaptureSource: return "The content to capture is not available.";
    case systemStoppedStream: return "The system stopped the stream.";
    default: return "The capture failed.";
    }
}

}  // namespace

desktop::Error error(long code)
{
    desktop::Error error;
    error.domain = domain;
    error.code = code;
    error.localizedDescription = reason(code);
    error.description =
        "Error Domain=" + error.domain + " Code=" + std::to_string(code) + " \"" + error.localizedDescription + "\"";
    return error;
}

}  // namespace desktop::captureError
