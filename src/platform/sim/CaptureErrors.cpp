#include "platform/sim/CaptureErrors.h"

namespace sim {
namespace {

const char* reason(long code)
{
    namespace ce = desktop::captureError;
    switch (code) {
    case ce::userDeclined: return "Screen recording is not allowed for this application.";
    case ce::failedToStart: return "The stream failed to start.";
    case ce::missingEntitlements: return "The application lacks the entitlement to capture.";
    case ce::failedApplicationConnectionInvalid: return "The connection to the capture service is invalid.";
    case ce::failedApplicationConnectionInterrupted: return "The connection to the capture service was interrupted.";
    case ce::failedNoMatchingApplicationContext: return "No application context matches the stream.";
    case ce::attemptToStartStreamState: return "The stream is already capturing or has ended.";
    case ce::attemptToStopStreamState: return "The stream is not capturing.";
    case ce::attemptToUpdateFilterState: return "The stream cannot be updated while it is not capturing.";
    case ce::attemptToConfigQueueDepth: return "The queue depth is out of range.";
    case ce::invalidParameter: return "A parameter of the call is not valid.";
    case ce::noCaptureSource: return "The content to capture is not available.";
    case ce::systemStoppedStream: return "The system stopped the stream.";
    default: return "The capture failed.";
    }
}

}  // namespace

desktop::Error captureError(long code)
{
    desktop::Error error;
    error.domain = desktop::captureError::domain;
    error.code = code;
    error.localizedDescription = reason(code);
    error.description = "Error Domain=" + error.domain + " Code=" + std::to_string(code) + " \"" +
                        error.localizedDescription + "\"";
    return error;
}

}  // namespace sim
