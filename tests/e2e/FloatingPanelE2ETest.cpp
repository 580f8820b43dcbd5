#include "WindowGrab.h"
#include "X11Session.h"

#include <QRegularExpression>
#include <QtTest>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// Points of the panel (its top-left is 0, 0): two buttons' centres, the
// minimise image, and a spot inside each button's face, clear of its content,
// that is white when the button is unselected and black when selected.
constexpr QPoint galleryCentre { 53, 34 };
constexpr QPoint moodBoardCentre { 39, 62 };
constexpr QPoint minimizeImage { 12, 8 };
constexpr QPoint cropFace { 14, 24 };
constexpr QPoint galleryFace { 42, 24 };
constexpr QPoint moodBoardFace { 14, 53 };

class PanelDriver {
public:
    explicit PanelDriver(const X11Session& session)
        : m_session(session)
    {
    }

    // The app's first viewable window that `matches` its frame, or 0.
    [[nodiscard]] XWindow window(const std::function<bool(QRect)>& matches) const
    {
        for (const XWindow window : m_session.windowsOfProcess(m_session.appPid())) {
            const auto frame = WindowGrab::geometry(m_session.display(), window);
            if (frame && matches(*frame) && m_session.isViewable(window))
                return window;
        }
        return 0;
    }

    [[nodiscard]] bool findPanel()
    {
        const auto expanded = [](QRect frame) { return frame.size() == QSize(78, 87); };
        return X11Session::waitUntil([&] { return (m_panel = window(expanded)) != 0; }, 10000);
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

    // The grey level of the face at `point` read from the screen (black when
    // selected), or 128 when the window cannot be read.
    [[nodiscard]] int face(QPoint point) const
    {
        const QImage image = WindowGrab::contents(m_session.display(), m_panel);
        return image.isNull() ? 128 : qGray(image.pixel(point));
    }

    // Whether one of the app's big windows (the gallery or the mood board;
    // nothing else it shows is wider than 300) is on screen.
    [[nodiscard]] bool windowShown() const
    {
        return window([](QRect frame) { return frame.width() > 300; }) != 0;
    }

private:
    const X11Session& m_session;
    XWindow m_panel = 0;
};

// The work area the window manager announces (the screen less docks), or the
// whole screen when it announces none.
QRect workArea(const X11Session& session)
{
    const CommandResult result = session.xprop({ "-root", "_NET_WORKAREA" });
    const QRegularExpression numbers(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"));
    const auto match = numbers.match(result.output);
    if (!match.hasMatch())
        return QRect(0, 0, 1920, 1080);
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
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        PanelDriver panel(session);
        QVERIFY2(panel.findPanel(), qPrintable(session.diagnostics()));

        // 20 points in from the top-right corner of the work area.
        const QRect area = workArea(session);
        const QRect expected(area.right() + 1 - 98, area.top() + 20, 78, 87);
        QCOMPARE(panel.frame(), expected);
        const auto black = [&](QPoint face) { return panel.face(face) < 40; };
        const auto white = [&](QPoint face) { return panel.face(face) > 215; };
        QVERIFY(white(cropFace) && white(galleryFace) && white(moodBoardFace));

        // The heart shows the gallery and its face turns black; again hides it and
        // the face turns white. The same for the mood board; the other face stays white.
        struct Button {
            QPoint centre, face, other;
        };
        for (const Button& button : { Button { galleryCentre, galleryFace, moodBoardFace },
                 Button { moodBoardCentre, moodBoardFace, galleryFace } }) {
            for (const bool open : { true, false }) {
                QVERIFY(panel.click(button.centre));
                QVERIFY2(X11Session::waitUntil([&] {
                    return panel.windowShown() == open && (open ? black(button.face) : white(button.face))
                        && white(button.other);
                }),
                    qPrintable(session.diagnostics()));
            }
        }
        QCOMPARE(panel.frame(), expected); // the panel stayed where it was
    }

    void minimisingLeavesABarWithTheSameTopEdge()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
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
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
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
        // The tray menu: nine rows, far taller than the panel; its last row quits.
        QVERIFY(session.screenGeometry(menus.first()).height() > 100);
        QVERIFY(session.pressKeys({ "Up", "Return" }));
        QVERIFY2(X11Session::waitUntil([&] { return session.app()->state() == QProcess::NotRunning; }),
            qPrintable(session.diagnostics()));
    }
};

QTEST_MAIN(FloatingPanelE2ETest)
#include "FloatingPanelE2ETest.moc"
