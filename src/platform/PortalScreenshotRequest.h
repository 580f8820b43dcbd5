#pragma once

#include "platform/ScreenshotPortal.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <chrono>

// One Screenshot call to the desktop portal, from the call to its answer: the
// Response signal is listened for on the request's object path before the
// call goes out, so an early answer is never missed. Finishes exactly once;
// destroyed before that, it closes the portal's request and never finishes.
class PortalScreenshotRequest : public QObject {
    Q_OBJECT

public:
    PortalScreenshotRequest(QDBusConnection bus, std::chrono::milliseconds timeout,
        ScreenshotPortal::Completion completion, QObject* parent);
    ~PortalScreenshotRequest() override;

    void start();

private Q_SLOTS:
    // org.freedesktop.portal.Request.Response. QtDBus delivers signals only to
    // slots named by signature, hence a slot rather than a lambda.
    void handleResponse(uint response, const QVariantMap& results);

private:
    void listenOn(const QString& handle);
    void stopListening();
    void readPicture(const QString& path);
    void finish(const DesktopScreenshot& result);

    QDBusConnection m_bus;
    std::chrono::milliseconds m_timeout;
    ScreenshotPortal::Completion m_completion;
    QString m_handle; // the object path whose Response is listened for
    bool m_responded = false; // the portal's Response arrived
    QTimer m_deadline;
};
