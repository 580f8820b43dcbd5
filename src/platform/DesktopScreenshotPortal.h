#pragma once

#include "platform/ScreenshotPortal.h"

#include <QDBusConnection>

#include <chrono>

// org.freedesktop.portal.Screenshot over D-Bus: a non-interactive Screenshot
// call, then the Response signal of its org.freedesktop.portal.Request, whose
// results carry the picture's "uri". The portal writes that file for this one
// request (wherever its desktop chooses: a temporary file, or the Pictures
// folder on some desktops), so it is deleted as soon as it has been read.
class DesktopScreenshotPortal final : public ScreenshotPortal {
public:
    // Long enough for a user to answer the desktop's permission question.
    static constexpr std::chrono::milliseconds defaultTimeout { 60000 };

    explicit DesktopScreenshotPortal(
        QDBusConnection bus = QDBusConnection::sessionBus(), std::chrono::milliseconds timeout = defaultTimeout);

    void takeScreenshot(QObject& context, Completion completion) override;

private:
    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
};
