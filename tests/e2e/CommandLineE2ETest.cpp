#include "E2ETest.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

namespace {

const QString busName = "io.github.scrapwick.Scrapwick";
const QString noInstance = "Scrapwick: cannot reach a running instance \\(no session bus[^\n]*";

// "exit N: " and what the command wrote, its errors after "[stderr] "; "unfinished" when it did not end.
QString said(const CommandResult& result)
{
    return (result.finished ? QString("exit %1: ").arg(result.exitCode) : "unfinished: ") + result.output
        + (result.errors.isEmpty() ? "" : "[stderr] " + result.errors);
}

// What the app answers a call of org.freedesktop.Application's `method` on `bus`.
QDBusMessage::MessageType answer(QDBusConnection& bus, const QString& method, const QVariantList& arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        busName, "/io/github/scrapwick/Scrapwick", "org.freedesktop.Application", method);
    call.setArguments(arguments);
    return bus.call(call).type();
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
    // A session never started offers programs an empty DISPLAY, no Wayland and
    // no session bus: what a terminal outside the desktop has.
    void withoutADisplayOrBus()
    {
        // What each start says (a regular expression): one line that says what is
        // missing and how to run it anyway, or what is wrong. (--version without a
        // display: the packaging checks.)
        const std::pair<QStringList, QString> cases[] = {
            { {}, "^exit 1: \\[stderr\\] Scrapwick needs a graphical desktop[^\n]* xvfb-run [^\n]*\n$" },
            { { "--sparkle" }, "^exit 2: \\[stderr\\] scrapwick: unknown option --sparkle [^\n]*\n$" },
            { { "--quit" }, "^exit 0: \\[stderr\\] " + noInstance + "; nothing to quit\n$" },
        };
        for (const auto& [arguments, expected] : cases) {
            const QString result = said(X11Session().run(X11Session::scrapwickPath(), arguments, 10000));
            QVERIFY2(QRegularExpression(expected).match(result).hasMatch(), qPrintable(result));
        }
    }

    void oneInstanceTakesEveryRequest()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QDBusConnection bus = QDBusConnection::connectToBus(session.busAddress(), "e2e caller");

        // Two starts at the same moment leave one instance; the other hands
        // over and ends, saying nothing, and so does a later start.
        const auto first = session.startApp({}), second = session.startApp({});
        QVERIFY(QTest::qWaitFor(
            [&] { return first->state() == QProcess::NotRunning || second->state() == QProcess::NotRunning; }, 20000));
        const bool firstEnded = first->state() == QProcess::NotRunning;
        QProcess& running = firstEnded ? *second : *first;
        QCOMPARE(said(finishCommand(firstEnded ? *first : *second, 0)), "exit 0: ");
        QCOMPARE(said(session.runApp({})), "exit 0: ");
        QCOMPARE(running.state(), QProcess::Running);
        QCOMPARE(qint64(bus.interface()->servicePid(busName).value()), running.processId());

        // --quit reaches the instance even from a terminal without a display;
        // a normal run says nothing.
        QCOMPARE(said(session.runApp({ "--quit" }, variable("DISPLAY", ""))), "exit 0: ");
        QCOMPARE(said(finishCommand(running, 10000)), "exit 0: ");
        QVERIFY(!bus.interface()->isServiceRegistered(busName).value());
        QCOMPARE(said(session.runApp({ "--quit" })), "exit 0: [stderr] Scrapwick is not running; nothing to quit\n");

        // Each request goes the way the panel's buttons and the tray's import go.
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QCOMPARE(said(session.runApp({ "--crop" })), "exit 0: ");
        WAIT_FOR(session, cropOverlay(session) != 0);
        QVERIFY(session.drag(roughRectangle({ 550, 350, 300, 200 })));
        WAIT_FOR(session, storedCutouts(session).size() == 1 && !cropOverlay(session));

        // The panel's heart turns black with the gallery shown.
        QCOMPARE(session.grayAt(panel, Panel::galleryFace), 255);
        QCOMPARE(said(session.runApp({ "--gallery" })), "exit 0: ");
        WAIT_FOR(session, session.grayAt(panel, Panel::galleryFace) == 0);

        // One path relative to the caller's working directory, one absolute.
        QTemporaryDir files;
        QVERIFY(QDir(files.path()).mkdir("sub") && !pictureFile(files, "wide.png", { 30, 10 }, Qt::darkGreen).isEmpty()
            && !pictureFile(files, "sub/tall.jpg", { 10, 30 }, Qt::darkGreen).isEmpty());
        QCOMPARE(said(session.runApp({ "--import", "wide.png", files.filePath("sub/tall.jpg") }, {}, files.path())),
            "exit 0: ");
        WAIT_FOR(session, storedCutoutSizes(session).size() == 3); // the index is written last
        QCOMPARE(storedCutoutSizes(session).mid(0, 2), (QList<QSize> { { 10, 30 }, { 30, 10 } }));

        // Anyone on the bus may call: odd calls are answered and logged, never fatal.
        const QVariantList junk { QVariant::fromValue(QDBusVariant(QVariantMap { { "x", 1 } })) };
        const QStringList addresses { "https://example.com/a.png", "file://" + files.filePath("missing.png") };
        QCOMPARE((QList<QDBusMessage::MessageType> {
                     answer(bus, "ActivateAction", { "sparkle", QVariant(junk), QVariantMap { { "y", 2.5 } } }),
                     answer(bus, "Open", { addresses, QVariantMap() }), answer(bus, "Open", { 7, QVariantMap() }) }),
            (QList<QDBusMessage::MessageType> {
                QDBusMessage::ReplyMessage, QDBusMessage::ReplyMessage, QDBusMessage::ErrorMessage }));
        WAIT_FOR(session, session.appOutputLines().filter("[Import]").size() == 2);
        QCOMPARE(session.appOutputLines().filter(QRegularExpression("^\\[")),
            (QStringList { "[Command] Ignored unknown action: sparkle",
                "[Import] Skipped 1 remote file(s): https://example.com/a.png",
                "[Import] Failed to import 1 file(s): missing.png" }));

        QCOMPARE(said(session.runApp({ "--quit" })), "exit 0: ");
        WAIT_FOR(session, session.app()->state() == QProcess::NotRunning);
        QVERIFY(session.app()->exitStatus() == QProcess::NormalExit && session.app()->exitCode() == 0);

        // Without a session bus the app runs on its own, says so once, and
        // still does what it was asked; nothing can reach it, so there is
        // nothing to quit.
        const auto noBus = variable("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + files.filePath("no-bus"));
        QVERIFY2(session.launchApp(noBus, X11Session::scrapwickPath(), { "--import", files.filePath("wide.png") }),
            qPrintable(session.lastError()));
        WAIT_FOR(session, storedCutouts(session).size() == 4);
        const QString quit = said(session.runApp({ "--quit" }, noBus));
        QVERIFY2(
            QRegularExpression("^exit 0: \\[stderr\\] " + noInstance + "; nothing to quit\n$").match(quit).hasMatch(),
            qPrintable(quit));
        const QString errors = session.appErrorLines().join('\n');
        QVERIFY2(QRegularExpression("^" + noInstance + "; running this one on its own$").match(errors).hasMatch(),
            qPrintable(errors));
        QCOMPARE(session.app()->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(CommandLineE2ETest)
#include "CommandLineE2ETest.moc"
