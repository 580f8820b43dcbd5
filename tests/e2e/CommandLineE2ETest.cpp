#include "E2ETest.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFileInfo>

namespace {

const QString busName = "io.github.scrapwick.Scrapwick";

QString describe(const CommandResult& result)
{
    return QString("finished %1, exit %2, output \"%3\", errors \"%4\"")
        .arg(result.finished)
        .arg(result.exitCode)
        .arg(result.output, result.errors);
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
    // A session never started offers programs an empty DISPLAY, no Wayland and
    // no session bus: what a terminal outside the desktop has.
    void withoutADisplayOrBus()
    {
        const QString helper
            = QRegularExpression::escape(QFileInfo(X11Session::scrapwickPath()).path() + "/scrapwick-screencapture");
        const struct {
            QStringList arguments;
            int exitCode;
            QString output, errors; // regular expressions
        } cases[] = {
            // One line that says what is missing and how to run it anyway.
            { {}, 1, "^$", "^Scrapwick needs a graphical desktop[^\n]* xvfb-run [^\n]*\n$" },
            { { "--version" }, 0, "^Scrapwick \\d+\\.\\d+\\.\\d+\nCapture helper: " + helper + "\n$", "^$" },
            { { "--sparkle" }, 2, "^$", "^scrapwick: unknown option --sparkle [^\n]*\n$" },
            { { "--quit" }, 0, "^$",
                "^Scrapwick: cannot reach a running instance \\(no session bus[^\n]*; nothing to quit\n$" },
        };
        for (const auto& [arguments, exitCode, output, errors] : cases) {
            const CommandResult result = X11Session().run(X11Session::scrapwickPath(), arguments, 10000);
            QVERIFY2(result.finished && result.exitCode == exitCode
                    && QRegularExpression(output).match(result.output).hasMatch()
                    && QRegularExpression(errors).match(result.errors).hasMatch(),
                qPrintable(arguments.join(' ') + ": " + describe(result)));
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
        for (const CommandResult& handedOver : { finishCommand(firstEnded ? *first : *second, 0), session.runApp({}) })
            QVERIFY2(handedOver.succeeded() && handedOver.output.isEmpty() && handedOver.errors.isEmpty(),
                qPrintable(describe(handedOver)));
        QCOMPARE(running.state(), QProcess::Running);
        QCOMPARE(qint64(bus.interface()->servicePid(busName).value()), running.processId());

        // --quit reaches the instance even from a terminal without a display;
        // a normal run says nothing.
        CommandResult result = session.runApp({ "--quit" }, variable("DISPLAY", ""));
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        result = finishCommand(running, 10000);
        QVERIFY2(
            result.succeeded() && result.output.isEmpty() && result.errors.isEmpty(), qPrintable(describe(result)));
        QVERIFY(!bus.interface()->isServiceRegistered(busName).value());
        result = session.runApp({ "--quit" });
        QVERIFY2(result.succeeded() && result.errors == "Scrapwick is not running; nothing to quit\n",
            qPrintable(describe(result)));

        // Each request goes the way the panel's buttons and the tray's import go.
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        result = session.runApp({ "--crop" });
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        WAIT_FOR(session, cropOverlay(session) != 0);
        QVERIFY(session.drag(roughRectangle({ 550, 350, 300, 200 })));
        WAIT_FOR(session, storedCutouts(session).size() == 1 && !cropOverlay(session));

        // The panel's heart turns black with the gallery shown.
        QCOMPARE(session.grayAt(panel, Panel::galleryFace), 255);
        result = session.runApp({ "--gallery" });
        QVERIFY2(result.succeeded(), qPrintable(describe(result)));
        WAIT_FOR(session, session.grayAt(panel, Panel::galleryFace) == 0);

        // One path relative to the caller's working directory, one absolute.
        QTemporaryDir files;
        QVERIFY(QDir(files.path()).mkdir("sub") && !pictureFile(files, "wide.png", { 30, 10 }, Qt::darkGreen).isEmpty()
            && !pictureFile(files, "sub/tall.jpg", { 10, 30 }, Qt::darkGreen).isEmpty());
        result = session.runApp({ "--import", "wide.png", files.filePath("sub/tall.jpg") }, {}, files.path());
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        WAIT_FOR(session, storedCutoutSizes(session).size() == 3); // the index is written last
        QCOMPARE(storedCutoutSizes(session).mid(0, 2), (QList<QSize> { { 10, 30 }, { 30, 10 } }));

        // Anyone on the bus may call: odd calls are answered and logged, never fatal.
        const QVariantList junk { QVariant::fromValue(QDBusVariant(QVariantMap { { "x", 1 } })) };
        QCOMPARE(
            bus.call(applicationCall("ActivateAction", { "sparkle", QVariant(junk), QVariantMap { { "y", 2.5 } } }))
                .type(),
            QDBusMessage::ReplyMessage);
        const QStringList addresses { "https://example.com/a.png", "file://" + files.filePath("missing.png") };
        QCOMPARE(bus.call(applicationCall("Open", { addresses, QVariantMap() })).type(), QDBusMessage::ReplyMessage);
        QCOMPARE(bus.call(applicationCall("Open", { 7, QVariantMap() })).type(), QDBusMessage::ErrorMessage);
        WAIT_FOR(session, session.appOutputLines().filter("[Import]").size() == 2);
        QCOMPARE(session.appOutputLines().filter(QRegularExpression("^\\[")),
            (QStringList { "[Command] Ignored unknown action: sparkle",
                "[Import] Skipped 1 remote file(s): https://example.com/a.png",
                "[Import] Failed to import 1 file(s): missing.png" }));

        result = session.runApp({ "--quit" });
        QVERIFY2(result.succeeded() && result.errors.isEmpty(), qPrintable(describe(result)));
        WAIT_FOR(session, session.app()->state() == QProcess::NotRunning);
        QVERIFY(session.app()->exitStatus() == QProcess::NormalExit && session.app()->exitCode() == 0);

        // Without a session bus the app runs on its own, says so once, and
        // still does what it was asked; nothing can reach it, so there is
        // nothing to quit.
        const auto noBus = variable("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + files.filePath("no-bus"));
        QVERIFY2(session.launchApp(noBus, X11Session::scrapwickPath(), { "--import", files.filePath("wide.png") }),
            qPrintable(session.lastError()));
        WAIT_FOR(session, storedCutouts(session).size() == 4);
        result = session.runApp({ "--quit" }, noBus);
        QVERIFY2(result.succeeded() && result.errors.endsWith("; nothing to quit\n") && result.errors.count('\n') == 1,
            qPrintable(describe(result)));
        const QStringList errors = session.appErrorLines();
        QVERIFY2(errors.size() == 1
                && errors.first().startsWith("Scrapwick: cannot reach a running instance (no session bus")
                && errors.first().endsWith("); running this one on its own"),
            qPrintable(errors.join('\n')));
        QCOMPARE(session.app()->state(), QProcess::Running);
    }
};

QTEST_GUILESS_MAIN(CommandLineE2ETest)
#include "CommandLineE2ETest.moc"
