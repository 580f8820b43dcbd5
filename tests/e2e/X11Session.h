#pragma once

// A private X11 desktop for end-to-end tests, and the real scrapwick binary
// running on it.
//
// start() runs a session bus of its own (dbus-daemon), then Xvfb on a display it
// picks itself (-displayfd, so tests may run in parallel), then, as asked,
// openbox, picom (xrender backend, so translucent windows really are
// translucent) and trayer (an XEmbed system tray), each waited for until it
// has announced itself on the root window.
//
// launchApp() runs scrapwick with DISPLAY set to the session, QT_QPA_PLATFORM=xcb,
// an X11 session type, no WAYLAND_DISPLAY, the session's own bus and private, empty XDG_DATA_HOME,
// XDG_CONFIG_HOME and XDG_RUNTIME_DIR folders, so the user's own gallery,
// settings and running Scrapwick are never touched; startApp() and runApp()
// start other copies the same way. The destructor ends the app, the helpers,
// the bus and the X server, and removes the folders. Everything here is for
// the test's main thread.
//
//     X11Session session({ .windowManager = true, .trayHost = true });
//     QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
//     WAIT_FOR(session, session.appHasTrayIcon()); // E2ETest.h

#include "PrivateBus.h"

#include <QImage>
#include <QRect>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>
#include <memory>

class SessionUser;

struct X11SessionOptions {
    // An X server that runs already (a Wayland session's XWayland): start()
    // only connects to it, and starts no bus, no Xvfb and no helper.
    QString existingDisplay {};
    // Who the app runs as (its folders are handed to that user); null: the test's user.
    const SessionUser* appUser = nullptr;
    // What the app gets on top of the session's variables (a Wayland session's).
    QProcessEnvironment appEnvironment {};
    QSize screenSize { 1920, 1080 };
    int depth = 24;
    bool windowManager = false; // openbox
    bool compositor = false; // picom
    bool trayHost = false; // trayer, docked at the top right
};

struct CommandResult {
    bool finished = false; // false: it could not start, crashed or timed out (then it was killed)
    int exitCode = -1;
    QString output;
    QString errors;

    [[nodiscard]] bool succeeded() const { return finished && exitCode == 0; }
};

// Starts `program` with `environment` in `folder`, as `user` when one is given.
[[nodiscard]] std::unique_ptr<QProcess> startProcess(const QString& program, const QStringList& arguments,
    const QProcessEnvironment& environment, const SessionUser* user = nullptr, const QString& folder = {});
// Waits until `ready` holds; false when `process` ends first or `timeoutMs` passes.
[[nodiscard]] bool waitWhileRunning(const QProcess& process, const std::function<bool()>& ready, int timeoutMs);
// Waits for a started process; kills it when it takes longer than `timeoutMs`.
[[nodiscard]] CommandResult finishCommand(QProcess& process, int timeoutMs);
// Asks `process` to end, then kills it if it has not within two seconds.
void endProcess(QProcess& process);
// Everything a process has written so far, both channels, for failure messages.
[[nodiscard]] QString outputOf(QProcess& process);

using XWindow = quint32;

// The floating panel, and the points of it that tests press (from its top-left).
namespace Panel {
constexpr QSize size { 78, 87 };
constexpr QPoint crop { 24, 33 }, gallery { 53, 34 }, moodBoard { 39, 62 }, minimize { 12, 8 }, titleRow { 40, 8 };
// Spots of the gallery and mood-board faces clear of their icons: white while
// the button is unselected, black while selected.
constexpr QPoint galleryFace { 42, 24 }, moodBoardFace { 14, 53 };
} // namespace Panel

// The Mood Board as it opens on a 1920 x 1080 screen: 838 x 489, the canvas
// frame at (173, 62) in the window and the content 10.38 points inside it, at
// zoom 1 with no pan.
namespace MoodBoard {
constexpr QSize size { 838, 489 };
constexpr QPointF contentOrigin { 173 + 10.38, 62 + 10.38 };
constexpr QSizeF contentSize { 836 - 220 - 2 * 10.38, 487 - 109 - 2 * 10.38 };
constexpr QPoint close { 838 - 24, 15 };
// Centres of the toolbar cells and the buttons of the left column (card + 1).
constexpr QPoint layerOrder { 106, 84 }, rotate { 64, 126 }, undo { 64, 168 }, clear { 56, 369 }, save { 113, 369 };
// The save menu's rows under the save button, the rotate menu's over the toolbar.
constexpr QPoint download { 113, 395 }, saveToCollages { 113, 415 };
constexpr QPoint rotateRight { 82, 121 }, flipHorizontally { 82, 157 };
// The layer panel at (42, 219): its stacking buttons and the middle of its first list row.
constexpr QPoint bringForward { 56, 233 }, sendToBack { 113, 233 };
constexpr QPoint firstRow { 60, 261 };
// The canvas frame's centre, where toasts show, and the clear confirmation's Clear button.
constexpr QPoint toastCentre { 481, 251 }, confirmClear { 466, 261 };
// The window point showing world point `world`.
[[nodiscard]] inline QPoint pointOf(QPointF world)
{
    return (contentOrigin + world).toPoint();
}
} // namespace MoodBoard

class X11Session {
public:
    explicit X11Session(X11SessionOptions options = {});
    ~X11Session();

    [[nodiscard]] static bool xvfbAvailable() { return !QStandardPaths::findExecutable("Xvfb").isEmpty(); }
    // The scrapwick binary of this build tree.
    [[nodiscard]] static QString scrapwickPath() { return QStringLiteral(SCRAPWICK_BINARY); }

    // Xvfb and the helpers asked for. On failure lastError() says what went wrong.
    [[nodiscard]] bool start();
    // The tray, for a session that gets one only after the app has started.
    [[nodiscard]] bool startTrayHost();
    [[nodiscard]] QString lastError() const { return m_lastError; }
    // The helpers' output and the app's, for failure messages.
    [[nodiscard]] QString diagnostics();

    // For any program that should run on this session. Before start() there
    // is neither a display nor a bus.
    [[nodiscard]] QProcessEnvironment environment() const;
    // The session bus's address, empty before start().
    [[nodiscard]] QString busAddress() const { return m_bus ? m_bus->address() : QString(); }

    // `extraEnvironment` entries override the defaults; `program` is another
    // copy of scrapwick, for tests that put a stand-in helper beside it.
    [[nodiscard]] bool launchApp(const QProcessEnvironment& extraEnvironment = {},
        const QString& program = scrapwickPath(), const QStringList& arguments = {});
    [[nodiscard]] QProcess* app() const { return m_app.get(); }
    // Everything the app has written to standard output or error so far.
    [[nodiscard]] QStringList appOutputLines() const { return appLines(QProcess::StandardOutput); }
    [[nodiscard]] QStringList appErrorLines() const { return appLines(QProcess::StandardError); }
    // Another start of scrapwick with the app's environment, running or (runApp)
    // waited for; the process is killed when the returned object goes.
    [[nodiscard]] std::unique_ptr<QProcess> startApp(const QStringList& arguments,
        const QProcessEnvironment& extraEnvironment = {}, const QString& workingDirectory = {},
        const QString& program = scrapwickPath()) const;
    [[nodiscard]] CommandResult runApp(const QStringList& arguments, const QProcessEnvironment& extraEnvironment = {},
        const QString& workingDirectory = {}) const;

    [[nodiscard]] QString configHome() const { return m_home.filePath(QStringLiteral("config")); }
    [[nodiscard]] QString runtimeDir() const { return m_home.filePath(QStringLiteral("runtime")); }
    [[nodiscard]] QString scrapwickFolder() const { return m_home.filePath(QStringLiteral("data/Scrapwick")); }

    // Runs a program on the session's display and waits for it.
    [[nodiscard]] CommandResult run(const QString& program, const QStringList& arguments, int timeoutMs = 5000) const;
    [[nodiscard]] CommandResult xdotool(const QStringList& arguments) const { return run("xdotool", arguments); }
    // Real input: a click at a position in a window; a press at the first of
    // `points` (on the screen) moved through the rest and, unless told not to,
    // released at the last.
    [[nodiscard]] bool click(XWindow window, QPoint inWindow, int button = 1) const;
    [[nodiscard]] bool drag(const QList<QPoint>& points, bool release = true) const;
    // The PNG image on the clipboard; null when there is none.
    [[nodiscard]] QImage clipboardImage() const;
    // Makes `pixels` (rows of server pixel words, least significant byte first,
    // each row a multiple of 4 bytes) the desktop background within `area`,
    // black elsewhere, as wallpaper setters do: the X server, or the compositor
    // through _XROOTPMAP_ID, redraws it at once wherever it is uncovered.
    [[nodiscard]] bool setBackground(const QRect& area, const QByteArray& pixels) const;

    // --- Windows, asked of the X server directly (0: none) ---
    [[nodiscard]] bool isViewable(XWindow window) const;
    [[nodiscard]] QRect screenGeometry(XWindow window) const;
    // What the window shows (with alpha for 32-bit windows); null when unmapped.
    [[nodiscard]] QImage windowImage(XWindow window) const;
    // The grey level (0-255) of the window's pixel at `point`; 128 while it is unmapped.
    [[nodiscard]] int grayAt(XWindow window, QPoint point) const;
    // The app's first viewable window whose screen rectangle `matches`.
    [[nodiscard]] XWindow appWindow(const std::function<bool(QRect)>& matches) const;
    // The app's first viewable window of `size`, waited for up to 10 s; when
    // none shows, 0, and the session's diagnostics go to the test's log.
    [[nodiscard]] XWindow waitForAppWindow(QSize size);
    [[nodiscard]] bool appHasTrayIcon() const;
    // Right-clicks `inWindow` and waits until one more of the app's windows is
    // viewable (a menu).
    [[nodiscard]] bool openMenu(XWindow window, QPoint inWindow) const;

private:
    struct Connection;
    bool connect(const QString& display);
    // Runs "PROGRAM ARGUMENTS…" and waits until it owns `selection` of screen 0.
    bool startHelper(const QString& command, const QByteArray& selection);
    bool fail(const QString& message);
    [[nodiscard]] QStringList appLines(QProcess::ProcessChannel channel) const;
    // Ends the app and passes what it wrote to standard error on to the test's.
    void endApp();
    [[nodiscard]] QList<XWindow> appWindows() const; // by _NET_WM_PID, at any depth

    X11SessionOptions m_options;
    QTemporaryDir m_home;
    QString m_display;
    QString m_lastError;
    std::unique_ptr<PrivateBus> m_bus;
    std::unique_ptr<QProcess> m_xserver;
    std::vector<std::unique_ptr<QProcess>> m_helpers;
    std::unique_ptr<QProcess> m_app;
    std::unique_ptr<Connection> m_connection;
};
