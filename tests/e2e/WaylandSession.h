#pragma once

// A private, headless Wayland desktop for end-to-end tests: sway with its
// XWayland, and the desktop portal that hands out screenshots.
//
// start() runs, as the session's user (SessionUser: an unprivileged user when
// the test runs as root, since sway refuses root), in a runtime folder of its
// own with mode 0700:
//   - sway on the headless backend with the pixman renderer and no input
//     devices, one output per entry of `outputs`, side by side from (0, 0)
//     ("HEADLESS-1", "HEADLESS-2", ...), and XWayland started at once, which
//     lets the test's user in (xhost), to look at windows and send XTEST input;
//   - a private D-Bus session bus, PipeWire, xdg-desktop-portal-wlr (its
//     Screenshot runs grim), a stand-in for the Access dialog that grants as
//     a user pressing "Allow" would (the one part that is not the real
//     desktop's; xdg-desktop-portal 1.16 offers Screenshot only when some
//     backend implements Access), and xdg-desktop-portal itself, told through
//     XDG_DESKTOP_PORTAL_DIR to use those two backends.
// Each is waited for until it answers (its bus name, its socket). Start one
// session per test program; it takes a few seconds.
//
// The app is an X11 client of XWayland: desktop() gives an X11Session
// attached to XWayland's display (windows, XTEST pointer input, which drives
// X11 clients though the compositor has no input device), whose launchApp()
// and runApp() run the app as the session's user in the Wayland session, on
// its bus, with empty folders of its own.
//
//     WaylandSession session; // in initTestCase
//     QVERIFY2(session.start(), qPrintable(session.lastError()));
//     const auto desktop = session.desktop();
//     QVERIFY2(desktop->start() && desktop->launchApp(), ...);

#include "PrivateBus.h"
#include "SessionUser.h"
#include "X11Session.h"

#include <optional>

class WaylandSession {
public:
    explicit WaylandSession(QList<QSize> outputs = { { 1024, 768 }, { 1280, 768 } });
    ~WaylandSession();

    // What this machine lacks to run the session (for QSKIP); empty when nothing.
    [[nodiscard]] static QString unavailableReason();

    [[nodiscard]] bool start();
    [[nodiscard]] QString lastError() const { return m_lastError; }
    // What the session's programs said, for failure messages.
    [[nodiscard]] QString diagnostics() const;

    [[nodiscard]] std::unique_ptr<X11Session> desktop() const;
    [[nodiscard]] QRect outputGeometry(int output) const;
    // Runs a program in the session as its user (grim) and waits for it.
    [[nodiscard]] CommandResult run(const QString& program, const QStringList& arguments, int timeoutMs = 5000) const;
    // Shows `picture` at the top left of `output` as a native Wayland client
    // (swaybg), which no X11 client can see, and waits until the compositor
    // shows it.
    [[nodiscard]] bool showPicture(int output, const QImage& picture);
    // Ends xdg-desktop-portal, as on a desktop that has none; waits until its
    // bus name is gone.
    [[nodiscard]] bool stopScreenshotPortal();

private:
    bool fail(const QString& message);
    [[nodiscard]] QProcessEnvironment environment() const;
    // Starts `program` as the session's user, kept until the end, and waits until `ready` holds.
    bool launch(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
        const std::function<bool()>& ready);
    bool startSway();
    bool startPortal();
    [[nodiscard]] QString filePath(const QString& name) const { return m_folder.filePath(name); }

    QList<QSize> m_outputs;
    std::optional<SessionUser> m_user;
    QTemporaryDir m_folder;
    QString m_lastError;
    QString m_waylandDisplay, m_xDisplay;
    std::unique_ptr<PrivateBus> m_bus;
    // In starting order, ended in reverse.
    std::vector<std::unique_ptr<QProcess>> m_processes;
    QProcess* m_portal = nullptr;
};
