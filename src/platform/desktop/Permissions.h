#pragma once

namespace desktop {

// The screen-recording grant. Accessibility trust is asked through Accessibility.
class Permissions {
public:
    virtual ~Permissions() = default;

    // Whether the desktop grants permissions at all (screen recording, accessibility).
    // Without grants everything is allowed: there is nothing to ask the user for and
    // nothing to tell about it.
    virtual bool hasGrants() const = 0;

    // Whether capture is allowed now; asks nothing.
    virtual bool screenCapturePreflight() = 0;
    // Asks the user (once per installation the system shows its dialog); the answer is
    // the grant at the moment of the call.
    virtual bool requestScreenCapture() = 0;
};

}  // namespace desktop
