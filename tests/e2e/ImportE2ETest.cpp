#include "X11Session.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

namespace {

// The sizes of the stored cut-outs, newest first, as the gallery index lists them.
QList<QSize> storedCutoutSizes(const X11Session& session)
{
    QFile file(session.scrapwickFolder() + "/gallery-index.json");
    QList<QSize> sizes;
    for (const QJsonValue entry :
        file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).array() : QJsonArray()) {
        if (entry["section"] == "cutouts")
            sizes.append(QImage(session.scrapwickFolder() + "/cutouts/" + entry["id"].toString() + ".png").size());
    }
    return sizes;
}

} // namespace

class ImportE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mixedPickStoresThePicturesAndNamesTheFailure()
    {
        if (!X11Session::xvfbAvailable())
            QSKIP("Xvfb is not installed; scripts/install-deps installs it");
        QTemporaryDir files;
        QImage wide(60, 20, QImage::Format_RGB32);
        wide.fill(Qt::red);
        QVERIFY(wide.save(files.filePath("photo.png")));
        QVERIFY(wide.transformed(QTransform().rotate(90)).save(files.filePath("photo.jpg")));
        QFile notes(files.filePath("notes.png"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("a shopping list, not a picture\n") > 0);
        notes.close();

        // Without a tray, the panel's right click opens the menu.
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        QList<XWindow> panel; // the app's only window at first
        QVERIFY2(X11Session::waitUntil([&] { return (panel = session.viewableTopLevelsOfApp()).size() == 1; }, 10000),
            qPrintable(session.diagnostics()));
        QVERIFY(session.clickAt(session.screenGeometry(panel.first()).topLeft() + QPoint(40, 8), 3));
        QVERIFY(X11Session::waitUntil([&] { return session.viewableTopLevelsOfApp().size() == 2; }));
        QVERIFY(session.pressKeys({ "Down", "Down", "Return" })); // "Import to Idea Gallery..."
        QVERIFY2(X11Session::waitUntil([&] { return session.focusedWindowName() == "Import to Idea Gallery"; }),
            qPrintable(session.diagnostics()));

        // Typed into the dialog's file name field, as a user may, in this order.
        QStringList names;
        for (const char* name : { "photo.png", "photo.jpg", "notes.png" })
            names.append('"' + files.filePath(name) + '"');
        QVERIFY(session.typeText(names.join(' ')) && session.pressKeys({ "Return" }));

        const QString failure = "[Import] Failed to import 1 file(s): notes.png";
        QVERIFY2(session.waitForAppLine(failure), qPrintable(session.diagnostics()));
        // The last picture chosen is the newest.
        QVERIFY2(X11Session::waitUntil([&] { return storedCutoutSizes(session).size() == 2; }),
            qPrintable(session.diagnostics()));
        QCOMPARE(storedCutoutSizes(session), (QList<QSize> { { 20, 60 }, { 60, 20 } }));
        QCOMPARE(session.appOutputLines().filter("[Import]"), QStringList { failure });
    }
};

QTEST_GUILESS_MAIN(ImportE2ETest)
#include "ImportE2ETest.moc"
