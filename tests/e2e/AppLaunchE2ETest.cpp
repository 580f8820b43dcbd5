#include "X11Session.h"

#include <QDir>
#include <QImage>
#include <QtTest>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// Runs scrapwick outside any session with the given display variables.
CommandResult runWithDisplay(const QString& display)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM" })
        environment.remove(QString::fromLatin1(name));
    if (!display.isEmpty())
        environment.insert(QStringLiteral("DISPLAY"), display);

    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(X11Session::scrapwickPath(), {});
    CommandResult result;
    if (!process.waitForFinished(10000))
        return result;
    result.finished = process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace

class AppLaunchE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void trayIconDocksInTheSystemTray()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY(!session.appHasTrayIcon());

        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        QVERIFY2(
            X11Session::waitUntil([&] { return session.appHasTrayIcon(); }, 10000), qPrintable(session.diagnostics()));
        QCOMPARE(session.app()->state(), QProcess::Running);
        // The app keeps its data in the private folder it was given.
        QVERIFY2(X11Session::waitUntil([&] { return QDir(session.scrapwickFolder()).exists(); }),
            qPrintable(session.diagnostics()));
        QVERIFY2(session.appOutputLines().isEmpty(), qPrintable(session.diagnostics()));
    }

    void clickingTheTrayIconOpensTheMenuAndQuitEndsTheApp()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        QVERIFY2(
            X11Session::waitUntil([&] { return session.appHasTrayIcon(); }, 10000), qPrintable(session.diagnostics()));
        // At start the only window of its own is the 78 x 87 floating panel.
        const QList<XWindow> atStart = session.viewableTopLevelsOfApp();
        QCOMPARE(atStart.size(), 1);
        QCOMPARE(session.screenGeometry(atStart.first()).size(), QSize(78, 87));

        const QRect icon = session.screenGeometry(session.appTrayIconWindow());
        QVERIFY(icon.isValid());
        QVERIFY(session.clickAt(icon.center()));
        QList<XWindow> menus;
        QVERIFY2(X11Session::waitUntil([&] {
            menus = session.viewableTopLevelsOfApp();
            menus.removeAll(atStart.first());
            return !menus.isEmpty();
        }),
            qPrintable(session.diagnostics()));
        // Nine rows, three of them separators: far taller than the 24-pixel tray.
        QVERIFY(session.screenGeometry(menus.first()).height() > 100);

        // Up from no selection lands on the last row, "Quit Scrapwick".
        QVERIFY(session.pressKeys({ "Up", "Return" }));
        QVERIFY2(X11Session::waitUntil([&] { return session.app()->state() == QProcess::NotRunning; }),
            qPrintable(session.diagnostics()));
        QCOMPARE(session.app()->exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.app()->exitCode(), 0);
    }

    void importFromTheTrayMenuStoresTheCutout()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        QVERIFY2(
            X11Session::waitUntil([&] { return session.appHasTrayIcon(); }, 10000), qPrintable(session.diagnostics()));

        QTemporaryDir pictures;
        const QString picture = pictures.filePath(QStringLiteral("sunset.png"));
        QImage image(12, 7, QImage::Format_ARGB32);
        image.fill(QColor(250, 120, 0));
        QVERIFY(image.save(picture));

        const QList<XWindow> atStart = session.viewableTopLevelsOfApp(); // the floating panel
        const QPoint icon = session.screenGeometry(session.appTrayIconWindow()).center();
        QVERIFY(session.clickAt(icon));
        QVERIFY2(X11Session::waitUntil([&] { return session.viewableTopLevelsOfApp().size() > atStart.size(); }),
            qPrintable(session.diagnostics()));
        // "About Scrapwick", then (past the separator) "Import to Idea Gallery...".
        QVERIFY(session.pressKeys({ "Down", "Down", "Return" }));

        // The open panel takes the focus with its file-name field ready for typing.
        QVERIFY2(X11Session::waitUntil(
                     [&] { return session.focusedWindowName() == QStringLiteral("Import to Idea Gallery"); }),
            qPrintable(session.diagnostics()));
        QVERIFY(session.typeText(picture));
        QVERIFY(session.pressKeys({ "Return" }));

        const QDir cutouts(session.scrapwickFolder() + QStringLiteral("/cutouts"));
        QStringList stored;
        QVERIFY2(X11Session::waitUntil([&] {
            stored = cutouts.entryList({ QStringLiteral("*.png") }, QDir::Files);
            return stored.size() == 1;
        }),
            qPrintable(session.diagnostics()));
        QImage imported;
        QVERIFY2(X11Session::waitUntil([&] { return imported.load(cutouts.filePath(stored.first())); }),
            qPrintable(stored.first()));
        QCOMPARE(imported.size(), QSize(12, 7));
        QCOMPARE(imported.pixelColor(3, 3), QColor(250, 120, 0));
        // The index is written after the picture, by the same queued job.
        QVERIFY(X11Session::waitUntil(
            [&] { return QFile::exists(session.scrapwickFolder() + QStringLiteral("/gallery-index.json")); }));
        QVERIFY2(session.appOutputLines().isEmpty(), qPrintable(session.diagnostics()));
    }

    void iconDocksWhenTheTrayAppearsLater()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        // Without a tray the app just keeps running, and says nothing about it.
        QVERIFY(!X11Session::waitUntil([&] { return session.app()->state() != QProcess::Running; }, 1000));
        QVERIFY(!session.appHasTrayIcon());

        QVERIFY2(session.startTrayHost(), qPrintable(session.lastError()));
        QVERIFY2(
            X11Session::waitUntil([&] { return session.appHasTrayIcon(); }, 10000), qPrintable(session.diagnostics()));
        QVERIFY2(session.appOutputLines().isEmpty(), qPrintable(session.diagnostics()));
    }

    void startingWithoutAnyDisplaySaysHowToRunIt_data()
    {
        QTest::addColumn<QString>("display");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no DISPLAY") << QString() << QStringLiteral("(DISPLAY is not set)");
        // No X server is ever served this high.
        QTest::newRow("silent DISPLAY") << QStringLiteral(":59998") << QStringLiteral("\":59998\"");
    }

    void startingWithoutAnyDisplaySaysHowToRunIt()
    {
        QFETCH(QString, display);
        QFETCH(QString, reason);
        const CommandResult result = runWithDisplay(display);
        QVERIFY2(result.finished, "scrapwick crashed or hung instead of explaining");
        QVERIFY(result.exitCode != 0);
        QCOMPARE(result.output, QString());
        const QStringList lines = result.errors.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 1);
        QVERIFY2(lines[0].startsWith(QStringLiteral("Scrapwick needs a graphical desktop")), qPrintable(lines[0]));
        QVERIFY2(lines[0].contains(reason), qPrintable(lines[0]));
        QVERIFY2(lines[0].contains(QStringLiteral("xvfb-run ")), qPrintable(lines[0]));
    }
};

QTEST_GUILESS_MAIN(AppLaunchE2ETest)
#include "AppLaunchE2ETest.moc"
