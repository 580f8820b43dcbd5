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

struct Panel {
    const X11Session& session;
    XWindow window = 0;

    [[nodiscard]] bool find()
    {
        return X11Session::waitUntil(
            [&] { return (window = session.appWindow([](QRect r) { return r.size() == QSize(78, 87); })) != 0; },
            10000);
    }
    [[nodiscard]] QRect frame() const { return session.screenGeometry(window); }
    // Clicks, then moves the pointer away so no hover look stays behind.
    [[nodiscard]] bool click(QPoint inPanel, int button = 1) const
    {
        const QPoint at = frame().topLeft() + inPanel;
        return session
            .xdotool({ "mousemove", QString::number(at.x()), QString::number(at.y()), "click", QString::number(button),
                "mousemove", "0", "540" })
            .succeeded();
    }
    // The grey level of a face as the screen shows it; 128 when unreadable.
    [[nodiscard]] int face(QPoint point) const
    {
        const QImage image = session.windowImage(window);
        return image.isNull() ? 128 : qGray(image.pixel(point));
    }
    // Whether the gallery or the mood board (nothing else is wider than 300) is shown.
    [[nodiscard]] bool bigWindowShown() const
    {
        return session.appWindow([](QRect r) { return r.width() > 300; }) != 0;
    }
};

// The work area the window manager announces: the screen less docks.
QRect workArea(const X11Session& session)
{
    const auto match = QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)"))
                           .match(session.run("xprop", { "-root", "_NET_WORKAREA" }).output);
    return match.hasMatch() ? QRect(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt(),
               match.captured(4).toInt())
                            : QRect(0, 0, 1920, 1080);
}

} // namespace

class FloatingPanelE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void panelSitsTopRightFollowsTheWindowsAndMinimises()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        Panel panel { session };
        QVERIFY2(panel.find(), qPrintable(session.diagnostics()));

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
                    return panel.bigWindowShown() == open && (open ? black(button.face) : white(button.face))
                        && white(button.other);
                }),
                    qPrintable(session.diagnostics()));
            }
        }
        QCOMPARE(panel.frame(), expected); // the panel stayed where it was

        // Minimised: a bar with the same top edge; a click anywhere on it restores.
        QVERIFY(panel.click(minimizeImage));
        QVERIFY(X11Session::waitUntil([&] { return panel.frame().size() == QSize(78, 16); }));
        QCOMPARE(panel.frame(), QRect(expected.topLeft(), QSize(78, 16)));
        QVERIFY(panel.click({ 60, 8 }));
        QVERIFY(X11Session::waitUntil([&] { return panel.frame() == expected; }));
    }

    void withoutATrayARightClickOpensTheMenu()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        Panel panel { session };
        QVERIFY2(panel.find(), qPrintable(session.diagnostics()));
        QCOMPARE(session.viewableTopLevelsOfApp(), QList<XWindow> { panel.window });

        QVERIFY(panel.click({ 40, 8 }, 3));
        QList<XWindow> menus;
        QVERIFY2(X11Session::waitUntil([&] {
            menus = session.viewableTopLevelsOfApp();
            menus.removeAll(panel.window);
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
