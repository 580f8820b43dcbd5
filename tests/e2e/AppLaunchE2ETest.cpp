#include "E2ETest.h"

#include <QDir>

class AppLaunchE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trayIconDocksAndThePanelSitsTopRightFollowsTheWindowsAndMinimises()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        WAIT_FOR(session, session.appHasTrayIcon());
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY2(panel, qPrintable(session.diagnostics()));
        // The app keeps its data in the private folder it was given, and says nothing.
        QVERIFY(QDir(session.scrapwickFolder()).exists());
        QCOMPARE(session.appOutputLines(), QStringList());

        // 20 points in from the top-right corner of the work area, here the
        // whole screen: the tray reserves no strip of it.
        const QRect expected(1920 - 20 - 78, 20, 78, 87);
        QCOMPARE(session.screenGeometry(panel), expected);
        // Clicks move the pointer away after, so no hover look stays behind.
        const auto click = [&](QPoint point) {
            return session.click(panel, point) && session.xdotool({ "mousemove", "0", "540" }).succeeded();
        };
        // A spot of each button's face, clear of its content: white when the
        // button is unselected, black when selected.
        const auto face = [&](QPoint point) {
            const QImage image = session.windowImage(panel);
            return image.isNull() ? 128 : qGray(image.pixel(point));
        };
        constexpr QPoint cropFace { 14, 24 }, galleryFace { 42, 24 }, moodBoardFace { 14, 53 };
        QVERIFY(face(cropFace) > 215 && face(galleryFace) > 215 && face(moodBoardFace) > 215);

        // The heart shows the gallery and its face turns black; again hides it and
        // the face turns white. The same for the mood board; the other face stays white.
        for (const auto& [button, own, other] : { std::tuple(Panel::gallery, galleryFace, moodBoardFace),
                 std::tuple(Panel::moodBoard, moodBoardFace, galleryFace) }) {
            for (const bool open : { true, false }) {
                QVERIFY(click(button));
                // Only the gallery and the mood board are wider than 300.
                WAIT_FOR(session,
                    (session.appWindow([](QRect r) { return r.width() > 300; }) != 0) == open
                        && (open ? face(own) < 40 : face(own) > 215) && face(other) > 215);
            }
        }
        QCOMPARE(session.screenGeometry(panel), expected);

        // Minimised: a bar with the same top edge; a click anywhere on it restores.
        QVERIFY(click(Panel::minimize));
        WAIT_FOR(session, session.screenGeometry(panel) == QRect(expected.topLeft(), QSize(78, 16)));
        QVERIFY(click({ 60, 8 }));
        WAIT_FOR(session, session.screenGeometry(panel) == expected);
    }

    void withoutADisplayItSaysHowToRunIt()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("WAYLAND_DISPLAY");
        environment.remove("QT_QPA_PLATFORM");
        environment.insert("DISPLAY", ":59998"); // no X server is ever served this high
        QProcess app;
        app.setProcessEnvironment(environment);
        app.start(X11Session::scrapwickPath(), {});
        QVERIFY2(app.waitForFinished(10000) && app.exitStatus() == QProcess::NormalExit,
            "scrapwick crashed or hung instead of explaining");
        QVERIFY(app.exitCode() != 0);
        QCOMPARE(app.readAllStandardOutput(), QByteArray());
        // One line that says what is missing and how to run it anyway.
        const QByteArray errors = app.readAllStandardError();
        QVERIFY2(errors.startsWith("Scrapwick needs a graphical desktop") && errors.count('\n') == 1
                && errors.contains(" xvfb-run "),
            errors.constData());
    }
};

QTEST_GUILESS_MAIN(AppLaunchE2ETest)
#include "AppLaunchE2ETest.moc"
