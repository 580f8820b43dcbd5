#include "E2ETest.h"

class ImportE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Without a tray at first, the panel's right click opens the menu; the
    // icon docks once a tray appears.
    void mixedPickStoresThePicturesAndNamesTheFailure()
    {
        REQUIRE_XVFB();
        QTemporaryDir files;
        QImage wide(60, 20, QImage::Format_RGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(files.filePath("photo.png")));
        QVERIFY(wide.transformed(QTransform().rotate(90)).save(files.filePath("photo.jpg")));
        QFile notes(files.filePath("notes.png"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("a shopping list, not a picture\n") > 0);
        notes.close();

        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        QVERIFY(session.openMenu(session.waitForAppWindow(Panel::size), Panel::titleRow));
        QVERIFY(session.xdotool({ "key", "Down", "Down", "Return" }).succeeded()); // "Import to Idea Gallery..."
        WAIT_FOR(session,
            session.xdotool({ "getwindowfocus", "getwindowname" }).output.trimmed() == "Import to Idea Gallery");

        // Typed into the dialog's file name field, as a user may, in this order.
        QStringList names;
        for (const char* name : { "photo.png", "photo.jpg", "notes.png" })
            names.append('"' + files.filePath(name) + '"');
        QVERIFY(session.xdotool({ "type", "--delay", "5", names.join(' ') }).succeeded()
            && session.xdotool({ "key", "Return" }).succeeded());

        // The last picture chosen is the newest; one line names the failure.
        WAIT_FOR(session, storedCutoutSizes(session).size() == 2);
        QCOMPARE(storedCutoutSizes(session), (QList<QSize> { { 20, 60 }, { 60, 20 } }));
        WAIT_FOR(session, !session.appOutputLines().isEmpty());
        QCOMPARE(session.appOutputLines(), QStringList { "[Import] Failed to import 1 file(s): notes.png" });

        QVERIFY2(session.startTrayHost(), qPrintable(session.lastError()));
        WAIT_FOR(session, session.appHasTrayIcon());
    }
};

QTEST_GUILESS_MAIN(ImportE2ETest)
#include "ImportE2ETest.moc"
