#include "CanvasSeed.h"
#include "E2ETest.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// The centres of the board's layers as "canvas.json" has them, back to front,
// rounded to whole points.
QList<QPoint> layerCentres(const X11Session& session)
{
    QList<QPoint> centres;
    for (const SeedLayer& layer : CanvasSeed::read(session.scrapwickFolder()))
        centres.append(layer.position.toPoint());
    return centres;
}

QString pictureFile(const QTemporaryDir& dir, const char* name, QSize size, QColor colour)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    const QString path = dir.filePath(name);
    return image.save(path) ? path : QString();
}

} // namespace

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

    // Two pictures and an address dragged from a stand-in file manager onto the
    // gallery, then onto the board, where one Ctrl+Z takes both layers away;
    // a picture on the clipboard pasted onto the board.
    void dropsAndPasteBringPicturesIn()
    {
        REQUIRE_XVFB();
        QTemporaryDir files;
        const QString wide = pictureFile(files, "wide.png", { 80, 60 }, Qt::red);
        const QString tall = pictureFile(files, "tall.png", { 60, 80 }, Qt::blue);
        const QString square = pictureFile(files, "square.png", { 50, 50 }, Qt::green);
        QVERIFY(!wide.isEmpty() && !tall.isEmpty() && !square.isEmpty());

        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY2(panel, qPrintable(session.diagnostics()));
        QProcess source;
        source.setProcessEnvironment(session.environment());
        source.start(DRAG_SOURCE_WINDOW, { wide, tall, "https://example.com/c.png" });
        const QStringList found
            = session.run("xdotool", { "search", "--sync", "--onlyvisible", "--name", "Drag Source" }, 10000)
                  .output.split('\n', Qt::SkipEmptyParts);
        QVERIFY2(!found.isEmpty(), qPrintable(session.diagnostics()));
        const QPoint from = session.screenGeometry(found.last().toUInt()).center();
        const auto press = [&](QPoint point) {
            return session.click(panel, point) && session.xdotool({ "mousemove", "0", "540" }).succeeded();
        };

        // Onto the gallery: two cut-outs, the last given first; the address is named as skipped.
        QVERIFY(press(Panel::gallery));
        const XWindow gallery = session.waitForAppWindow({ 601, 472 });
        QVERIFY2(gallery, qPrintable(session.diagnostics()));
        QVERIFY(session.drag(dragLine(from, session.screenGeometry(gallery).topLeft() + QPoint(300, 250))));
        WAIT_FOR(session, storedCutoutSizes(session) == (QList<QSize> { { 60, 80 }, { 80, 60 } }));
        WAIT_FOR(
            session, session.appOutputLines().contains("[Import] Skipped 1 remote file(s): https://example.com/c.png"));
        QVERIFY(press(Panel::gallery));
        WAIT_FOR(session, !session.isViewable(gallery));

        // Onto the board: two more cut-outs and two layers, the first at the
        // drop point, the next 20 points right and down; one Ctrl+Z undoes both.
        QVERIFY(press(Panel::moodBoard));
        const XWindow board = session.waitForAppWindow(MoodBoard::size);
        QVERIFY2(board, qPrintable(session.diagnostics()));
        const QPoint centre = (QPointF(MoodBoard::contentSize.width(), MoodBoard::contentSize.height()) / 2).toPoint();
        const QPoint dropped = MoodBoard::pointOf(centre);
        QVERIFY(session.drag(dragLine(from, session.screenGeometry(board).topLeft() + dropped)));
        WAIT_FOR(session, layerCentres(session).size() == 2 && storedCutoutSizes(session).size() == 4);
        const QPoint at = layerCentres(session)[0];
        QVERIFY2((at - centre).manhattanLength() <= 1, qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        QCOMPARE(layerCentres(session)[1], at + QPoint(20, 20));
        QVERIFY(session.click(board, MoodBoard::pointOf({ 20, 20 }))); // empty canvas: the board has the keys
        QVERIFY(session.xdotool({ "key", "ctrl+z" }).succeeded());
        WAIT_FOR(session, layerCentres(session).isEmpty());

        // Ctrl+V with a picture on the clipboard: a cut-out, and a layer in the middle of the view.
        QVERIFY(session.run("sh", { "-c", "xclip -selection clipboard -t image/png -i \"$0\" >/dev/null 2>&1", square })
                    .succeeded());
        QVERIFY(session.xdotool({ "key", "ctrl+v" }).succeeded());
        WAIT_FOR(session, layerCentres(session) == QList<QPoint> { centre } && storedCutoutSizes(session).size() == 5);
        QCOMPARE(storedCutoutSizes(session).first(), QSize(50, 50));
        source.kill();
        source.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(ImportE2ETest)
#include "ImportE2ETest.moc"
