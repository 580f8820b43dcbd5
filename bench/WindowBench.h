#pragma once

// What the window benchmarks share: the private desktop they measure on, the
// services their windows never call, and the figures they print.

#include "platform/FilePanels.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/PlatformServices.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenCaptureAccess.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "ui/Theme.h"

#include <QList>
#include <QString>
#include <QTextStream>

#include <functional>

namespace WindowBench {

QTextStream& out();

// Services the windows never call during a measurement.
struct Unused final : FilePanels, Pasteboard, UrlOpener, LoginItem, ScreenCaptureAccess, ScreenCapture {
    void runOpenPanel(const OpenPanelRequest&, OpenCompletion) override { }
    void runSavePanel(const SavePanelRequest&, SaveCompletion) override { }
    void setImage(const QImage&) override { }
    [[nodiscard]] const QMimeData* mimeData() const override { return nullptr; }
    bool openUrl(const QUrl&) override { return false; }
    bool setEnabled(bool) override { return false; }
    [[nodiscard]] bool preflight() const override { return true; }
    void request() override { }
    [[nodiscard]] QString toolProgram() const override { return {}; }
    [[nodiscard]] bool desktopIsComposited() const override { return true; }
    [[nodiscard]] ScreenshotPortal* screenshotPortal() const override { return nullptr; }
};

// What the measuring child hands the window controllers; made once the
// QApplication exists.
struct WindowServices {
    Theme theme;
    NotificationCenter notifications;
    MemoryUserDefaults defaults;
    Unused unused;
    PlatformServices services { notifications, defaults, unused, unused, unused, unused, unused, unused };
};

// CPU time of the calling thread, in milliseconds: the frame's own work,
// without the time the scheduler gave to other programs on a busy machine.
[[nodiscard]] double threadCpuMs();
[[nodiscard]] qint64 residentKiB();

// Runs the event loop until `done` or `ms` have passed; gives `done()`. It
// sleeps between events, so a thread's CPU time stays its own work.
bool waitUntil(const std::function<bool()>& done, int ms = 20000);

// One line: count, median, p95, p99, max and how many are over 16.7 ms.
void report(const char* name, QList<double> frames);

// The parent's side: starts a private Xvfb desktop with openbox and picom,
// lets `seed` fill its "Scrapwick" data folder, then runs this program again on
// that display as `<program> --child <folder>` and returns its exit code.
int runOnPrivateDesktop(const std::function<bool(const QString& scrapwickFolder)>& seed);

} // namespace WindowBench
