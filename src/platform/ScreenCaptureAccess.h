#pragma once

// Whether this process may photograph the screen.
class ScreenCaptureAccess {
public:
    virtual ~ScreenCaptureAccess() = default;
    [[nodiscard]] virtual bool preflight() const = 0;
    // Asks the system for access; the answer, if any, comes later.
    virtual void request() = 0;
};
