#include "WindowGrab.h"
#include "X11Session.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// Points of the panel (its top-left is 0, 0): the three buttons' centres, the
// minimise image, and a spot inside each button's face, clear of its content,
// that is white when the button is unselected and black when selected.
constexpr QPoint cropCentre { 25, 34 };
constexpr QPoint galleryCentre { 53, 34 };
constexpr QPoint moodBoardCentre { 39, 62 };
constexpr QPoint minimizeImage { 12, 8 };
constexpr QPoint cropFace { 14, 24 };
constexpr QPoint galleryFace { 42, 24 };
constexpr QPoint moodBoardFace { 14, 53 };

class PanelDriver {
public:
    explicit PanelDriver(X11Session& session)
        : m_session(session)
    {
    }

    // The app's viewable window of the given size, or 0.
    [[nodiscard]] XWindow windowOfSize(QSize size) const
    {
        for (const XWindow window : m_session.windowsOfProcess(m_session.appPid())) {
            const auto frame = WindowGrab::geometry(m_session.display(), window);
            if (frame && frame->size() == size && m_session.isViewable(window))
                return window;
        }
        return 0;
    }

    [[nodiscard]] bool findPanel()
    {
        return X11Session::waitUntil([&] { return (m_panel = windowOfSize({ 78, 87 })) != 0; }, 10000);
    }

    [[nodiscard]] XWindow panel() const { return m_panel; }
    [[nodiscard]] QRect frame() const { return WindowGrab::geometry(m_session.display(), m_panel).value_or(QRect()); }

    [[nodiscard]] bool click(QPoint inPanel, const QString& button = QStringLiteral("1")) const
    {
        const QPoint at = frame().topLeft() + inPanel;
        return m_session
            .xdotool({ "mousemove", QString::number(at.x()), QString::number(at.y()), "click", button, "mousemove", "0",
                "540" })
            .succeeded();
    }

    // Whether the face at `point` is drawn black (selected), read from the screen.
    [[nodiscard]] bool faceIsBlack(QPoint point) const
    {
        const QImage image = WindowGrab::contents(m_session.display(), m_panel);
        if (image.isNull())
            return false;
        const QColor c = image.pixelColor(point);
        return c.red() < 40 && c.green() < 40 && c.blue() < 40;
    }

    [[nodiscard]] bool faceIsWhite(QPoint point) const
    {
        const QImage image = WindowGrab::contents(m_session.display(), m_panel);
        if (image.isNull())
            return false;
        const QColor c = image.pixelColor(point);
        return c.red() > 215 && c.green() > 215 && c.blue() > 215;
    }

    // Whether one of the app's big windows (the gallery or the mood board;
    // nothing else it shows is wider than 300) is on screen.
    [[nodiscard]] bool windowShown() const
    {
        for (const XWindow window : m_session.windowsOfProcess(m_session.appPid())) {
            const auto frame = WindowGrab::geometry(m_session.display(), window);
            if (window != m_panel && frame && frame->width() > 300 && m_session.isViewable(window))
                return true;
        }
        return false;
    }

private:
    X11Session& m_session;
    XWindow m_panel = 0;
};

// The work area the window manager announces (the screen less docks), or the
// whole screen when it announces none.
QRect workArea(const X11Session& session, QSize screen)
{
    const CommandResult result = session.xprop({ "-root", "_NET_WORKAREA" });
    const QRegularExpression numbers(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const auto match = numbers.match(result.output);
    if (!match.hasMatch())
        return QRect(QPoint(0, 0), screen);
    return QRect(
        match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(), match.captured(4).toInt());
}

} // namespace

class FloatingPanelE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void panelAppearsAtTheTopRightAndFollowsTheWindows()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        PanelDriver panel(session);
        QVERIFY2(panel.findPanel(), qPrintable(session.diagnostics()));

        // 20 points in from the top-right corner of the work area.
        const QRect area = workArea(session, { 1920, 1080 });
        QCOMPARE(panel.frame(), QRect(area.right() + 1 - 98, area.top() + 20, 78, 87));
        QVERIFY(panel.faceIsWhite(galleryFace));
        QVERIFY(panel.faceIsWhite(moodBoardFace));
        QVERIFY(panel.faceIsWhite(cropFace));
        // Translucent corners: the window's own pixels are clear there.
        QCOMPARE(WindowGrab::contents(session.display(), panel.panel()).pixelColor(0, 0).alpha(), 0);

        // The heart shows the gallery, and its face turns black; again hides it.
        QVERIFY(panel.click(galleryCentre));
        QVERIFY2(X11Session::waitUntil([&] { return panel.windowShown(); }), qPrintable(session.diagnostics()));
        QVERIFY(X11Session::waitUntil([&] { return panel.faceIsBlack(galleryFace); }));
        QVERIFY(panel.click(galleryCentre));
        QVERIFY(X11Session::waitUntil([&] { return !panel.windowShown(); }));
        QVERIFY(X11Session::waitUntil([&] { return panel.faceIsWhite(galleryFace); }));

        QVERIFY(panel.click(moodBoardCentre));
        QVERIFY2(X11Session::waitUntil([&] { return panel.windowShown(); }), qPrintable(session.diagnostics()));
        QVERIFY(X11Session::waitUntil([&] { return panel.faceIsBlack(moodBoardFace); }));
        QVERIFY(panel.faceIsWhite(galleryFace));
        QVERIFY(panel.click(moodBoardCentre));
        QVERIFY(X11Session::waitUntil([&] { return !panel.windowShown(); }));
        QVERIFY(X11Session::waitUntil([&] { return panel.faceIsWhite(moodBoardFace); }));
        // The panel stayed where it was through all of it.
        QCOMPARE(panel.frame().topLeft(), QPoint(area.right() + 1 - 98, area.top() + 20));
    }

    void minimisingLeavesABarWithTheSameTopEdge()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        PanelDriver panel(session);
        QVERIFY2(panel.findPanel(), qPrintable(session.diagnostics()));
        const QRect expanded = panel.frame();

        QVERIFY(panel.click(minimizeImage));
        QVERIFY2(X11Session::waitUntil([&] { return panel.frame().size() == QSize(78, 16); }),
            qPrintable(session.diagnostics()));
        QCOMPARE(panel.frame(), QRect(expanded.topLeft(), QSize(78, 16)));

        // A click anywhere on the bar brings the whole panel back.
        QVERIFY(panel.click({ 60, 8 }));
        QVERIFY(X11Session::waitUntil([&] { return panel.frame().size() == QSize(78, 87); }));
        QCOMPARE(panel.frame(), expanded);
    }

    void withoutATrayARightClickOpensTheMenu()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        PanelDriver panel(session);
        QVERIFY2(panel.findPanel(), qPrintable(session.diagnostics()));
        QCOMPARE(session.viewableTopLevelsOfApp(), QList<XWindow> { panel.panel() });

        QVERIFY(panel.click({ 40, 8 }, QStringLiteral("3")));
        QList<XWindow> menus;
        QVERIFY2(X11Session::waitUntil([&] {
            menus = session.viewableTopLevelsOfApp();
            menus.removeAll(panel.panel());
            return !menus.isEmpty();
        }),
            qPrintable(session.diagnostics()));
        // The tray menu: nine rows, far taller than the panel.
        QVERIFY(session.screenGeometry(menus.first()).height() > 100);
        // Its last row quits.
        QVERIFY(session.pressKeys({ "Up", "Return" }));
        QVERIFY2(X11Session::waitUntil([&] { return session.app()->state() == QProcess::NotRunning; }),
            qPrintable(session.diagnostics()));
    }

    void panelIsStickyAndAboveOtherWindows()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        PanelDriver panel(session);
        QVERIFY2(panel.findPanel(), qPrintable(session.diagnostics()));
        const QString id = QString::number(panel.panel());
        // Above normal windows, and on every desktop: openbox has no sticky
        // state and shows a window on all desktops through _NET_WM_DESKTOP.
        const bool stickySupported
            = session.xprop({ "-root", "_NET_SUPPORTED" }).output.contains("_NET_WM_STATE_STICKY");
        QString state;
        QVERIFY2(X11Session::waitUntil([&] {
            state = session.xprop({ "-id", id, "_NET_WM_STATE", "_NET_WM_DESKTOP" }).output;
            return state.contains("_NET_WM_STATE_ABOVE") && state.contains("_NET_WM_DESKTOP(CARDINAL) = 4294967295")
                && (!stickySupported || state.contains("_NET_WM_STATE_STICKY"));
        }),
            qPrintable(state));
        // Never handed the keyboard focus.
        QVERIFY(session.xprop({ "-id", id, "WM_HINTS" }).output.contains("Client accepts input or input focus: False"));
    }
};

QTEST_MAIN(FloatingPanelE2ETest)
#include "FloatingPanelE2ETest.moc"
