#pragma once

// A private X11 desktop for end-to-end tests, and the real scrapwick binary
// running on it.
//
// The session starts Xvfb on a display nobody else uses (Xvfb picks it itself
// through -displayfd, so tests may run in parallel), then, as asked, openbox
// (window manager), picom (compositor, xrender backend, so translucent windows
// really are translucent) and trayer (an XEmbed system tray, so the tray icon
// really exists). Each helper is waited for until it is ready: the window
// manager's _NET_SUPPORTING_WM_CHECK on the root window, the compositor's
// _NET_WM_CM_S0 selection, the tray's _NET_SYSTEM_TRAY_S0 selection.
//
// launchApp() runs the scrapwick binary built by this tree with DISPLAY set to
// the session, QT_QPA_PLATFORM=xcb, no WAYLAND_DISPLAY, and private, empty
// XDG_DATA_HOME / XDG_CONFIG_HOME folders, so the user's own gallery and
// settings are never touched. Its standard output is collected line by line.
//
// The destructor ends the app and every helper, then the X server, and
// removes the temporary folders. Nothing outlives the session object.
//
// Typical use in a QtTest slot:
//
//     if (!X11Session::xvfbAvailable())
//         QSKIP("Xvfb is not installed; scripts/install-deps installs it");
//     X11Session session({.windowManager = true, .trayHost = true});
//     QVERIFY2(session.start(), qPrintable(session.lastError()));
//     QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
//     QVERIFY2(X11Session::waitUntil([&] { return session.appHasTrayIcon(); }),
//              qPrintable(session.diagnostics()));
//     auto clicked = session.xdotool({"mousemove", "100", "100", "click", "1"});
//
// Tools (xdotool, xwininfo, xprop, xclip) run against the session's display
// through run() and its shorthands; window-tree queries that must be exact
// (selection owners, the process that owns a window, parents) go through xcb.
//
// Everything here is for the main thread of the test.

#include <QList>
#include <QProcess>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

struct X11SessionOptions {
    QSize screenSize { 1920, 1080 };
    int depth = 24;
    bool windowManager = false; // openbox
    bool compositor = false; // picom --backend xrender
    bool trayHost = false; // trayer, docked at the top right
};

struct CommandResult {
    bool finished = false; // false: it could not start or timed out (then it was killed)
    int exitCode = -1;
    QString output;
    QString errors;

    [[nodiscard]] bool succeeded() const { return finished && exitCode == 0; }
};

using XWindow = quint32;

class X11Session {
public:
    explicit X11Session(X11SessionOptions options = {});
    ~X11Session();

    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    [[nodiscard]] static bool xvfbAvailable();
    // The scrapwick binary of this build tree.
    [[nodiscard]] static QString scrapwickPath();

    // Starts Xvfb and the helpers asked for, each waited for (a few seconds at
    // most). On failure returns false and lastError() says what went wrong.
    [[nodiscard]] bool start();
    // The helpers one by one, for a session that needs one later (for example a
    // tray that appears after the app has started). Each waits until ready.
    [[nodiscard]] bool startWindowManager();
    [[nodiscard]] bool startCompositor();
    [[nodiscard]] bool startTrayHost();
    [[nodiscard]] QString lastError() const { return m_lastError; }
    // The helpers' own output and the app's, for failure messages.
    [[nodiscard]] QString diagnostics();

    [[nodiscard]] QString display() const { return m_display; } // ":N"
    // The environment for any program that should run on this session
    // (DISPLAY, QT_QPA_PLATFORM=xcb, no WAYLAND_DISPLAY, no session bus).
    [[nodiscard]] QProcessEnvironment environment() const;

    // Starts scrapwick on the session. `extraEnvironment` entries override the
    // defaults described above.
    [[nodiscard]] bool launchApp(
        const QStringList& arguments = {}, const QProcessEnvironment& extraEnvironment = QProcessEnvironment());
    [[nodiscard]] QProcess* app() const { return m_app.get(); }
    [[nodiscard]] qint64 appPid() const;
    // Everything the app has written to standard output so far.
    [[nodiscard]] QStringList appOutputLines();
    [[nodiscard]] bool waitForAppLine(const QString& line, int timeoutMs = 5000);
    // Ends the app (SIGTERM, then SIGKILL after `timeoutMs`).
    void stopApp(int timeoutMs = 3000);

    [[nodiscard]] QString dataHome() const; // the app's XDG_DATA_HOME
    [[nodiscard]] QString configHome() const; // the app's XDG_CONFIG_HOME
    [[nodiscard]] QString scrapwickFolder() const { return dataHome() + QStringLiteral("/Scrapwick"); }

    // Runs a program on the session's display and waits for it.
    [[nodiscard]] CommandResult run(
        const QString& program, const QStringList& arguments, int timeoutMs = 5000, const QByteArray& input = {}) const;
    [[nodiscard]] CommandResult xdotool(const QStringList& arguments) const;
    [[nodiscard]] CommandResult xwininfo(const QStringList& arguments) const;
    [[nodiscard]] CommandResult xprop(const QStringList& arguments) const;
    [[nodiscard]] CommandResult xclip(const QStringList& arguments) const;

    // Real input through xdotool: a click at a screen position, key presses
    // by X key name ("ctrl+i", "Return"), and text typed into the focus.
    [[nodiscard]] bool clickAt(QPoint position, int button = 1) const;
    [[nodiscard]] bool pressKeys(const QStringList& keys) const;
    [[nodiscard]] bool typeText(const QString& text) const;
    // The title of the window that has the keyboard focus.
    [[nodiscard]] QString focusedWindowName() const;

    // Polls `condition` while letting Qt deliver events (so process output
    // keeps arriving) until it holds or `timeoutMs` has passed.
    [[nodiscard]] static bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000, int pollMs = 25);

    // --- Exact window-tree queries (through xcb; 0 means none) ---
    [[nodiscard]] XWindow rootWindow() const;
    [[nodiscard]] XWindow selectionOwner(const QString& selection) const;
    [[nodiscard]] XWindow parentOf(XWindow window) const;
    [[nodiscard]] QList<XWindow> childrenOf(XWindow window) const;
    // The process id a window carries in _NET_WM_PID, or 0.
    [[nodiscard]] qint64 windowPid(XWindow window) const;
    // Every window at any depth whose _NET_WM_PID is `pid`.
    [[nodiscard]] QList<XWindow> windowsOfProcess(qint64 pid) const;
    [[nodiscard]] bool isInside(XWindow window, XWindow ancestor) const;
    [[nodiscard]] QString windowName(XWindow window) const;
    // Whether the window is mapped and all its ancestors are.
    [[nodiscard]] bool isViewable(XWindow window) const;

    // The pid of a helper (empty when it was not started).
    [[nodiscard]] qint64 trayHostPid() const;
    // The app's window embedded in the tray host (its tray icon), or 0.
    [[nodiscard]] XWindow appTrayIconWindow() const;
    [[nodiscard]] bool appHasTrayIcon() const;
    // Where a window is on the screen, in root coordinates.
    [[nodiscard]] QRect screenGeometry(XWindow window) const;
    // The app's visible windows that are not inside another of its windows
    // (its windows, dialogs and open menus), except the tray icon.
    [[nodiscard]] QList<XWindow> viewableTopLevelsOfApp() const;

private:
    struct Helper {
        QString name;
        std::unique_ptr<QProcess> process;
    };

    bool startXServer();
    bool startHelper(
        const QString& name, const QString& program, const QStringList& arguments, const std::function<bool()>& ready);
    void collectAppOutput();
    bool fail(const QString& message);

    X11SessionOptions m_options;
    QString m_display;
    QString m_lastError;
    std::unique_ptr<QTemporaryDir> m_home;
    std::unique_ptr<QProcess> m_xserver;
    std::vector<Helper> m_helpers;
    std::unique_ptr<QProcess> m_app;
    QByteArray m_appOutput;
    struct Connection;
    std::unique_ptr<Connection> m_connection;
};
