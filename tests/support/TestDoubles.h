#pragma once

#include "platform/FilePanels.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/PlatformServices.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenCaptureAccess.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"

#include <QList>
#include <QUrl>

// Open and save panels answered by the test: the request is recorded, and the
// completion waits until the test calls answerOpen / answerSave.
class ScriptedFilePanels final : public FilePanels
{
public:
    void runOpenPanel(const OpenPanelRequest& request, OpenCompletion completion) override;
    void runSavePanel(const SavePanelRequest& request, SaveCompletion completion) override;

    [[nodiscard]] bool hasPendingOpen() const { return static_cast<bool>(m_openCompletion); }
    [[nodiscard]] bool hasPendingSave() const { return static_cast<bool>(m_saveCompletion); }
    // Answers the open panel that is showing; nothing means the user cancelled.
    void answerOpen(std::optional<QStringList> paths);
    void answerSave(std::optional<QString> path);

    OpenPanelRequest lastOpenRequest;
    SavePanelRequest lastSaveRequest;

private:
    OpenCompletion m_openCompletion;
    SaveCompletion m_saveCompletion;
};

class RecordingPasteboard final : public Pasteboard
{
public:
    void setImage(const QImage& image) override { images.append(image); }
    QList<QImage> images;
};

class RecordingUrlOpener final : public UrlOpener
{
public:
    bool openUrl(const QUrl& url) override
    {
        urls.append(url);
        return true;
    }
    QList<QUrl> urls;
};

class RecordingLoginItem final : public LoginItem
{
public:
    bool setEnabled(bool enabled) override
    {
        calls.append(enabled);
        return true;
    }
    QList<bool> calls;
};

class FixedCaptureAccess final : public ScreenCaptureAccess
{
public:
    [[nodiscard]] bool preflight() const override { return allowed; }
    void request() override { ++requests; }
    bool allowed = true;
    int requests = 0;
};

// A capture tool that does not exist, so captures fail at once, unless a test
// names a stand-in; a composited desktop unless a test says otherwise.
class StandInScreenCapture final : public ScreenCapture
{
public:
    [[nodiscard]] QString toolProgram() const override { return program; }
    [[nodiscard]] bool desktopIsComposited() const override { return composited; }
    QString program = QStringLiteral("/nonexistent/scrapwick-screencapture");
    bool composited = true;
};

// Every platform service as a double, wired into one PlatformServices.
struct TestPlatform
{
    NotificationCenter notifications;
    MemoryUserDefaults defaults;
    RecordingPasteboard pasteboard;
    ScriptedFilePanels filePanels;
    RecordingUrlOpener urlOpener;
    RecordingLoginItem loginItem;
    FixedCaptureAccess captureAccess;
    StandInScreenCapture screenCapture;

    [[nodiscard]] PlatformServices services()
    {
        return {notifications, defaults, pasteboard, filePanels, urlOpener, loginItem, captureAccess, screenCapture};
    }
};

// Collects what observers of `name` received, in order.
class NotificationRecorder
{
public:
    NotificationRecorder(NotificationCenter& center, const QStringList& names);
    ~NotificationRecorder();

    QStringList names;
    QList<QVariantMap> userInfos;

private:
    NotificationCenter& m_center;
    QObject m_token;
};
