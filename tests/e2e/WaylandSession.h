#pragma once

// A private, headless Wayland desktop for end-to-end tests: sway with its
// XWayland, and the desktop portal that hands out screenshots.
//
// start() runs, as the session's user (SessionUser: an unprivileged user when
// the test runs as root, since sway refuses root), in a runtime folder of its
// own with mode 0700:
//   - sway on the headless backend with the pixman renderer and no input
//     devices, one output per entry of `outputs`, side by side from (0, 0)
//     ("HEADLESS-1", "HEADLESS-2", ...), and XWayland started at once;
//   - with `screenshotPortal`: a private D-Bus session bus, PipeWire,
//     xdg-desktop-portal-wlr (its Screenshot runs grim), a stand-in for the
//     Access dialog that grants as a user pressing "Allow" would (the one
//     part that is not the real desktop's; xdg-desktop-portal 1.16 offers
//     Screenshot only when some backend implements Access), and
//     xdg-desktop-portal itself, told through XDG_DESKTOP_PORTAL_DIR to use
//     those two backends.
// Each is waited for until it answers (its bus name, its socket). Start one
// session per test program; it takes a few seconds.
//
// The app is an X11 client of XWayland: desktop() gives an X11Session
// attached to XWayland's display (windows, XTEST pointer input, which drives
// X11 clients though the compositor has no input device), whose launchApp()
// and runApp() run the app as the session's user in the Wayland session, on
// its bus. A fresh desktop() per test case gives the app empty folders.
//
//     WaylandSession session; // in initTestCase
//     QVERIFY2(session.start(), qPrintable(session.lastError()));
//     const auto desktop = session.desktop();
//     QVERIFY2(desktop->start() && desktop->launchApp(), ...);

#include "PrivateBus.h"
#include "SessionUser.h"
#include "X11Session.h"

#include <QImage>
#include <QList>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <optional>
#include <vector>

struct WaylandSessionOptions {
    QList<QSize> outputs { { 1024, 768 }, { 1280, 768 } };
    bool screenshotPortal = true;
};

class WaylandSession {
public:
    explicit WaylandSession(WaylandSessionOptions options = {});
    ~WaylandSession();
    WaylandSession(const WaylandSession&) = delete;
    WaylandSession& operator=(const WaylandSession&) = delete;

    // What this machine lacks to run the session (for QSKIP); empty when nothing.
    [[nodiscard]] static QString unavailableReason();

    [[nodiscard]] bool start();
    [[nodiscard]] QString lastError() const { return m_lastError; }
    // What the session's programs said, for failure messages.
    [[nodiscard]] QString diagnostics() const;

    [[nodiscard]] std::unique_ptr<X11Session> desktop() const;
    // For the app: the Wayland session, its bus and runtime folder; the Qt
    // platform left to the app's own choice.
    [[nodiscard]] QProcessEnvironment appEnvironment() const;

    [[nodiscard]] QRect outputGeometry(int output) const;
    // Runs a program in the session as its user (swaymsg, grim) and waits for it.
    [[nodiscard]] CommandResult run(const QString& program, const QStringList& arguments, int timeoutMs = 5000) const;
    // Shows `picture` at the top left of `output` as a native Wayland client
    // (swaybg), which no X11 client can see, and waits until the compositor
    // shows it.
    [[nodiscard]] bool showPicture(int output, const QImage& picture);
    // The whole layout as the compositor shows it (grim); null on failure.
    [[nodiscard]] QImage screenshot() const;
    // Ends xdg-desktop-portal, as on a desktop that has none; waits until its
    // bus name is gone.
    [[nodiscard]] bool stopScreenshotPortal();

private:
    bool fail(const QString& message);
    [[nodiscard]] QProcessEnvironment environment() const;
    // Starts `program` as the session's user with `environment`; kept until the end.
    QProcess& launch(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
    // Waits until `process` has made the file or socket `path`.
    bool waitForFile(const QString& path, const QProcess& process);
    // Waits until `process` has put `name` on the session bus.
    bool waitForBusName(const QString& name, const QProcess& process);
    bool startSway();
    bool letTheTestIn();
    bool startPortal();
    [[nodiscard]] QString filePath(const QString& name) const { return m_folder.filePath(name); }

    WaylandSessionOptions m_options;
    std::optional<SessionUser> m_user;
    QTemporaryDir m_folder;
    QString m_lastError;
    QString m_waylandDisplay, m_xDisplay, m_swaySocket, m_busAddress;
    std::unique_ptr<PrivateBus> m_bus;
    // In starting order, ended in reverse.
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QProcess* m_portal = nullptr;
};
