#pragma once

#include <QImage>
#include <QString>

#include <functional>

class QObject;

// A picture of the whole desktop: every screen at its place in the layout.
struct DesktopScreenshot {
    QImage layout; // null when there is none
    QString failure; // why there is none, in a few words; empty on success
};

// The desktop's own screenshot service, for sessions in which the program may
// not read the screen itself (Wayland, XWayland included).
class ScreenshotPortal {
public:
    using Completion = std::function<void(const DesktopScreenshot&)>;

    virtual ~ScreenshotPortal() = default;
    // Asks for a picture of the whole layout without a dialog (the desktop may
    // still ask the user's permission the first time). `completion` runs once,
    // later, on the main thread, unless `context` is destroyed first, which
    // abandons the request.
    virtual void takeScreenshot(QObject& context, Completion completion) = 0;
};
