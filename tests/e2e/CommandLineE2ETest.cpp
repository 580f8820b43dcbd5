#include "E2ETest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>

#include <cmath>
#include <numbers>

namespace {

const QString busName = "io.github.scrapwick.Scrapwick";

// A loop of radius 150 around (700, 500).
QList<QPoint> loop()
{
    QList<QPoint> points;
    for (int k = 0; k <= 40; ++k) {
        const double angle = 2 * std::numbers::pi * k / 40;
        points.append(QPointF(700 + 150 * std::cos(angle), 500 + 150 * std::sin(angle)).toPoint());
    }
    return points;
}

QString describe(const CommandResult& result)
{
    return QString("finished %1, exit %2, output \"%3\", errors \"%4\"")
        .arg(result.finished)
        .arg(result.exitCode)
        .arg(result.output, result.errors);
}

QString describe(QProcess& process)
{
    return QString("state %1, exit %2, output \"%3\", errors \"%4\"")
        .arg(process.state())
        .arg(process.exitCode())
        .arg(QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError()));
}

QDBusMessage applicationCall(const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        busName, "/io/github/scrapwick/Scrapwick", "org.freedesktop.Application", method);
    call.setArguments(arguments);
    return call;
}

QProcessEnvironment variable(const QString& name, const QString& value)
{
    QProcessEnvironment environment;
    environment.insert(name, value);
    return environment;
}

} // namespace

class CommandLineE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    // Two starts at the same moment leave one instance; a later start hands
    // over and ends, and --quit reaches the instance even from a terminal
    // without a display.
    void oneInstancePerSession()
    {
        X11Session session;
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        const auto first = session.startApp({}), second = session.startApp({});
        QVERIFY(X11Session::waitUntil(
            [&] { return first->state() == QProcess::NotRunning || second->state() == QProcess::NotRunning; }, 20000));
        QProcess& ended = first->state() == QProcess::NotRunning ? *first : *second;
        QProcess& running = &ended == first.get() ? *second : *first;
        QVERIFY2(ended.exitStatus() == QProcess::NormalExit && ended.exitCode() == 0
                && ended.readAllStandardOutput().isEmpty() && ended.readAllStandardError().isEmpty(),
            qPrintable(describe(ended)));
        QVERIFY2(X11Session::waitUntil([&] { return session.busNameOwner(busName) == running.processId(); }),
            qPrintable(describe(running)));

        const CommandResult again = session.runApp({});
        QVERIFY2(again.succeeded() && again.output.isEmpty() && again.errors.isEmpty(), qPrintable(describe(again)));
        QCOMPARE(running.state(), QProcess::Running);
        QCOMPARE(session.busNameOwner(busName), running.processId());

        const CommandResult quit = session.runApp({ "--quit" }, variable("DISPLAY", ""));
        QVERIFY2(quit.succeeded() && quit.errors.isEmpty(), qPrintable(describe(quit)));
        QVERIFY2(
            running.waitForFinished(10000) && running.exitStatus() == QProcess::NormalExit && running.exitCode() == 0,
            qPrintable(describe(running)));
        // A normal run says nothing.
        QCOMPARE(running.readAll(), QByteArray());
        QCOMPARE(session.busNameOwner(busName), 0);

        const CommandResult nothingToQuit = session.runApp({ "--quit" });
        QVERIFY2(nothingToQuit.succeeded() && nothingToQuit.errors == "Scrapwick is not running; nothing to quit\n",
            qPrintable(describe(nothingToQuit)));
    }

    // Each request goes the way the panel's buttons and the tray's import go.
    void requestsReachTheRunningApp()
    {
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY2(panel, qPrintable(session.diagnostics()));

        CommandResult result = session.runApp({ "--crop" });
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        WAIT_FOR(session, cropOverlay(session) != 0);
        QVERIFY(session.drag(loop()));
        WAIT_FOR(session, storedCutouts(session).size() == 1 && !cropOverlay(session));

        // The panel's heart turns black with the gallery shown.
        QCOMPARE(session.grayAt(panel, Panel::galleryFace), 255);
        result = session.runApp({ "--gallery" });
        QVERIFY2(result.succeeded(), qPrintable(describe(result)));
        WAIT_FOR(session, session.grayAt(panel, Panel::galleryFace) == 0);

        // One path relative to the caller's working directory, one absolute.
        QTemporaryDir files;
        QImage picture(30, 10, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        QVERIFY(picture.save(files.filePath("wide.png")) && QDir(files.path()).mkdir("sub")
            && picture.transformed(QTransform().rotate(90)).save(files.filePath("sub/tall.jpg")));
        result = session.runApp({ "--import", "wide.png", files.filePath("sub/tall.jpg") }, {}, files.path());
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        WAIT_FOR(session, storedCutoutSizes(session).size() == 3); // the index is written last
        QCOMPARE(storedCutoutSizes(session).mid(0, 2), (QList<QSize> { { 10, 30 }, { 30, 10 } }));

        // Anyone on the bus may call: odd calls are answered and logged, never fatal.
        QDBusConnection bus = QDBusConnection::connectToBus(session.busAddress(), "e2e caller");
        const QVariantList junk { QVariant::fromValue(QDBusVariant(QVariantMap { { "x", 1 } })) };
        const QDBusMessage calls[] = {
            applicationCall("ActivateAction", { "sparkle", QVariant(junk), QVariantMap { { "y", 2.5 } } }),
            applicationCall("Open",
                { QStringList { "https://example.com/a.png", "file://" + files.filePath("missing.png") },
                    QVariantMap() }),
        };
        for (const QDBusMessage& call : calls)
            QCOMPARE(bus.call(call).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(bus.call(applicationCall("Open", { 7, QVariantMap() })).type(), QDBusMessage::ErrorMessage);
        WAIT_FOR(session, session.appOutputLines().filter("[Import]").size() == 2);
        QCOMPARE(session.appOutputLines().filter(QRegularExpression("^\\[")),
            (QStringList { "[Command] Ignored unknown action: sparkle",
                "[Import] Skipped 1 remote file(s): https://example.com/a.png",
                "[Import] Failed to import 1 file(s): missing.png" }));

        result = session.runApp({ "--quit" });
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        WAIT_FOR(session, session.app()->state() == QProcess::NotRunning);
        QCOMPARE(session.app()->exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.app()->exitCode(), 0);
    }

    // Without a session bus the app runs on its own, says so once, and still
    // does what it was asked.
    void withoutABusItRunsAlone()
    {
        X11Session session;
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QTemporaryDir files;
        QImage picture(12, 12, QImage::Format_RGB32);
        picture.fill(Qt::blue);
        QVERIFY(picture.save(files.filePath("square.png")));
        const auto noBus = variable("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + files.filePath("no-bus"));
        QVERIFY2(session.launchApp(noBus, X11Session::scrapwickPath(), { "--import", files.filePath("square.png") }),
            qPrintable(session.lastError()));
        WAIT_FOR(session, storedCutouts(session).size() == 1);
        const QStringList errors = session.appErrorLines();
        QVERIFY2(errors.size() == 1
                && errors.first().startsWith("Scrapwick: cannot reach a running instance (no session bus")
                && errors.first().endsWith("); running this one on its own"),
            qPrintable(errors.join('\n')));

        // Nothing can reach it, so there is nothing to quit.
        const CommandResult quit = session.runApp({ "--quit" }, noBus);
        QVERIFY2(quit.succeeded() && quit.errors.endsWith("; nothing to quit\n") && quit.errors.count('\n') == 1,
            qPrintable(describe(quit)));
        QCOMPARE(session.app()->state(), QProcess::Running);
        QCOMPARE(session.appErrorLines().size(), 1);
    }
};

QTEST_GUILESS_MAIN(CommandLineE2ETest)
#include "CommandLineE2ETest.moc"
