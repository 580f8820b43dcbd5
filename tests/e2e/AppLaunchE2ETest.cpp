#include "X11Session.h"

#include <QDir>
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
    void trayIconDocksEvenWhenTheTrayAppearsLater_data()
    {
        QTest::addColumn<bool>("trayAtStart");
        QTest::newRow("tray at start") << true;
        QTest::newRow("tray later") << false;
    }

    void trayIconDocksEvenWhenTheTrayAppearsLater()
    {
        REQUIRE_XVFB();
        QFETCH(bool, trayAtStart);
        X11Session session({ .windowManager = true, .trayHost = trayAtStart });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        if (!trayAtStart) {
            // Without a tray the app just keeps running.
            QVERIFY(!X11Session::waitUntil([&] { return session.app()->state() != QProcess::Running; }, 1000));
            QVERIFY2(session.startTrayHost(), qPrintable(session.lastError()));
        }
        QVERIFY2(
            X11Session::waitUntil([&] { return session.appHasTrayIcon(); }, 10000), qPrintable(session.diagnostics()));
        // The app keeps its data in the private folder it was given, and says nothing.
        QVERIFY2(X11Session::waitUntil([&] { return QDir(session.scrapwickFolder()).exists(); }),
            qPrintable(session.diagnostics()));
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
