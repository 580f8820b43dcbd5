#pragma once

#include "platform/DialogFilePanels.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/PlatformServices.h"
#include "platform/ScreenCaptureAccess.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"

#include <QList>
#include <QUrl>

class RecordingPasteboard final : public Pasteboard {
public:
    void setImage(const QImage& image) override { images.append(image); }
    QList<QImage> images;
};

class IgnoringUrlOpener final : public UrlOpener {
public:
    bool openUrl(const QUrl&) override { return true; }
};

// A login item whose changes take effect unless `works` is false.
class RecordingLoginItem final : public LoginItem {
public:
    bool setEnabled(bool enabled) override
    {
        calls.append(enabled);
        return works;
    }
    QList<bool> calls;
    bool works = true;
};

class FixedCaptureAccess final : public ScreenCaptureAccess {
public:
    [[nodiscard]] bool preflight() const override { return allowed; }
    void request() override { ++requests; }
    bool allowed = true;
    int requests = 0;
};

// Every platform service as a double, wired into one PlatformServices. The file
// panels are the real dialogs: a test finds the QFileDialog and answers it.
struct TestPlatform {
    NotificationCenter notifications;
    MemoryUserDefaults defaults;
    RecordingPasteboard pasteboard;
    DialogFilePanels filePanels;
    IgnoringUrlOpener urlOpener;
    RecordingLoginItem loginItem;
    FixedCaptureAccess captureAccess;

    [[nodiscard]] PlatformServices services()
    {
        return { notifications, defaults, pasteboard, filePanels, urlOpener, loginItem, captureAccess };
    }
};

// Collects what observers of `name` received, in order.
class NotificationRecorder {
public:
    NotificationRecorder(NotificationCenter& center, const QStringList& names);
    ~NotificationRecorder();

    QStringList names;
    QList<QVariantMap> userInfos;

private:
    NotificationCenter& m_center;
    QObject m_token;
};
