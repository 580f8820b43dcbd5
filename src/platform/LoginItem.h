#pragma once

// Whether the program starts when the user logs in.
class LoginItem {
public:
    virtual ~LoginItem() = default;
    // Returns false when the change could not be made.
    virtual bool setEnabled(bool enabled) = 0;
};
