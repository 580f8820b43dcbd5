#pragma once

#include "platform/DialogFilePanels.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/PlatformServices.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenCaptureAccess.h"
#include "platform/ScreenshotPortal.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"

#include <QMimeData>
#include <QPointer>

#include <optional>
#include <utility>

// Records the images put on it; `contents` is what a paste finds.
struct RecordingPasteboard final : Pasteboard {
    void setImage(const QImage& image) override { images.append(image); }
    [[nodiscard]] const QMimeData* mimeData() const override { return &contents; }
    QList<QImage> images;
    QMimeData contents;
};

struct IgnoringUrlOpener final : UrlOpener {
    bool openUrl(const QUrl&) override { return true; }
};

// A login item whose changes take effect unless `works` is false.
struct RecordingLoginItem final : LoginItem {
    bool setEnabled(bool enabled) override
    {
        calls.append(enabled);
        return works;
    }
    QList<bool> calls;
    bool works = true;
};

struct AllowedCaptureAccess final : ScreenCaptureAccess {
    [[nodiscard]] bool preflight() const override { return true; }
    void request() override { }
};

// File panels a test answers with answerOpen / answerSave (nothing: cancelled),
// for flows with several panels in a row. Answering a panel that is not open
// throws, which fails the test.
struct ScriptedFilePanels final : FilePanels {
    void runOpenPanel(const OpenPanelRequest& request, OpenCompletion completion) override
    {
        lastOpenRequest = request;
        pendingOpen = std::move(completion);
    }
    void runSavePanel(const SavePanelRequest& request, SaveCompletion completion) override
    {
        lastSaveRequest = request;
        pendingSave = std::move(completion);
    }
    [[nodiscard]] bool hasPendingOpen() const { return bool(pendingOpen); }
    [[nodiscard]] bool hasPendingSave() const { return bool(pendingSave); }
    void answerOpen(std::optional<QStringList> paths) { std::exchange(pendingOpen, nullptr)(std::move(paths)); }
    void answerSave(std::optional<QString> path) { std::exchange(pendingSave, nullptr)(std::move(path)); }

    OpenPanelRequest lastOpenRequest;
    SavePanelRequest lastSaveRequest;
    OpenCompletion pendingOpen;
    SaveCompletion pendingSave;
};

// A capture tool that does not exist, so captures fail at once, unless a test
// names a stand-in; a composited X11 desktop unless a test says otherwise.
class StandInScreenCapture final : public ScreenCapture {
public:
    [[nodiscard]] QString toolProgram() const override { return program; }
    [[nodiscard]] bool desktopIsComposited() const override { return composited; }
    [[nodiscard]] ScreenshotPortal* screenshotPortal() const override { return portal; }
    QString program = QStringLiteral("/nonexistent/scrapwick-screencapture");
    bool composited = true;
    ScreenshotPortal* portal = nullptr; // set: a Wayland session
};

// A screenshot portal the test answers; a request whose context has gone is
// never answered, as with the real one.
class ScriptedScreenshotPortal final : public ScreenshotPortal {
public:
    void takeScreenshot(QObject& context, Completion completion) override
    {
        ++requests;
        m_pending.append({ &context, std::move(completion) });
    }
    void answer(const DesktopScreenshot& shot)
    {
        for (auto& [context, completion] : std::exchange(m_pending, {}))
            if (context)
                completion(shot);
    }
    int requests = 0;

private:
    QList<std::pair<QPointer<QObject>, Completion>> m_pending;
};

// Every platform service as a double, wired into one PlatformServices. By
// default the file panels are the real dialogs: a test finds the QFileDialog
// and answers it.
template <class Panels> struct TestPlatformWith {
    NotificationCenter notifications;
    MemoryUserDefaults defaults;
    RecordingPasteboard pasteboard;
    Panels filePanels;
    IgnoringUrlOpener urlOpener;
    RecordingLoginItem loginItem;
    AllowedCaptureAccess captureAccess;
    StandInScreenCapture screenCapture;

    [[nodiscard]] PlatformServices services()
    {
        return { notifications, defaults, pasteboard, filePanels, urlOpener, loginItem, captureAccess, screenCapture };
    }
};

using TestPlatform = TestPlatformWith<DialogFilePanels>;

// Collects the names of the notifications observers of `watched` received, in order.
class NotificationRecorder {
public:
    NotificationRecorder(NotificationCenter& center, const QStringList& watched)
        : m_center(center)
    {
        for (const QString& name : watched)
            center.addObserver(&m_token, name, [this, name](const QVariantMap&) { names.append(name); });
    }
    ~NotificationRecorder() { m_center.removeObserver(&m_token); }

    QStringList names;

private:
    NotificationCenter& m_center;
    QObject m_token;
};
