#include "CanvasSeed.h"
#include "E2ETest.h"

namespace {

// The centres of the board's layers as "canvas.json" has them, back to front,
// rounded to whole points.
QList<QPoint> layerCentres(const X11Session& session)
{
    QList<QPoint> centres;
    for (const LayerEntry& layer : CanvasSeed::read(session.scrapwickFolder()))
        centres.append(layer.position.toPoint());
    return centres;
}

} // namespace

class ImportE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    // Pictures come in every way on one desktop: picked in the dialog of the
    // panel's menu, dragged from a stand-in file manager onto the gallery and
    // the board, dragged from the gallery onto the board, pasted on the board.
    void picturesComeInEveryWay()
    {
        QTemporaryDir files;
        const QString notes = files.filePath("notes.png");
        QVERIFY(writeFile(notes, "a shopping list, not a picture\n"));
        // Typed into the dialog's file name field, as a user may, in this order.
        const QString picked = QString("\"%1\" \"%2\" \"%3\"")
                                   .arg(pictureFile(files, "photo.png", { 60, 20 }, Qt::red),
                                       pictureFile(files, "photo.jpg", { 20, 60 }, Qt::red), notes);
        const QString wide = pictureFile(files, "wide.png", { 80, 60 }, Qt::red);
        const QString tall = pictureFile(files, "tall.png", { 60, 80 }, Qt::blue);
        const QString square = pictureFile(files, "square.png", { 50, 50 }, Qt::green);

        // Without a tray at first, the panel's right click opens the menu; the
        // icon docks once a tray appears.
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY(session.openMenu(panel, Panel::titleRow));
        QVERIFY(session.xdotool({ "key", "Down", "Down", "Return" }).succeeded()); // "Import to Idea Gallery..."
        WAIT_FOR(session,
            session.xdotool({ "getwindowfocus", "getwindowname" }).output.trimmed() == "Import to Idea Gallery");
        QVERIFY(session.xdotool({ "type", "--delay", "5", picked }).succeeded()
            && session.xdotool({ "key", "Return" }).succeeded());
        // The last picture chosen is the newest; one line names the failure.
        WAIT_FOR(session, storedCutoutSizes(session).size() == 2);
        QCOMPARE(storedCutoutSizes(session), (QList<QSize> { { 20, 60 }, { 60, 20 } }));
        WAIT_FOR(session, !session.appOutputLines().isEmpty());
        QCOMPARE(session.appOutputLines(), QStringList { "[Import] Failed to import 1 file(s): notes.png" });
        QVERIFY2(session.startTrayHost(), qPrintable(session.lastError()));
        WAIT_FOR(session, session.appHasTrayIcon());

        // Two pictures and an address onto the gallery: two cut-outs, the last
        // given first; the address is named as skipped.
        const auto [source, from] = showTestWindow(session, { wide, tall, "https://example.com/c.png" });
        QVERIFY(press(session, panel, Panel::gallery));
        const XWindow gallery = session.waitForAppWindow({ 601, 472 });
        QVERIFY(session.drag(dragLine(from, session.screenGeometry(gallery).topLeft() + QPoint(300, 250))));
        WAIT_FOR(session, storedCutoutSizes(session).mid(0, 2) == (QList<QSize> { { 60, 80 }, { 80, 60 } }));
        WAIT_FOR(
            session, session.appOutputLines().contains("[Import] Skipped 1 remote file(s): https://example.com/c.png"));

        // The gallery's first cut-out onto the board's centre, exactly (541, 296)
        // + (183.38, 72.38) + (297.62, 178.62) on the screen: a layer just there.
        QVERIFY(press(session, panel, Panel::moodBoard));
        const XWindow board = session.waitForAppWindow(MoodBoard::size);
        // The board opens over the gallery; move that aside to the left.
        QVERIFY(session.xdotool({ "windowmove", QString::number(gallery), "0", "300" }).succeeded());
        WAIT_FOR(session, session.screenGeometry(gallery).topLeft() == QPoint(0, 300));
        const QPointF centre(MoodBoard::contentSize.width() / 2, MoodBoard::contentSize.height() / 2);
        const QPoint dropped = session.screenGeometry(board).topLeft() + MoodBoard::pointOf(centre);
        QVERIFY(session.drag(dragLine(QPoint(0, 300) + QPoint(130, 200), dropped)));
        WAIT_FOR(session, CanvasSeed::read(session.scrapwickFolder()).size() == 1);
        const QPointF at = CanvasSeed::read(session.scrapwickFolder())[0].position;
        QVERIFY2((at - centre).manhattanLength() < 1e-6, qPrintable(QString("%1,%2").arg(at.x()).arg(at.y())));
        WAIT_FOR(session, session.windowImage(board).pixelColor(MoodBoard::pointOf(centre)) == QColor(Qt::blue));

        // The two files onto the board: two more cut-outs and two layers, the
        // first at the drop point, the next 20 points right and down; one
        // Ctrl+Z undoes both.
        QVERIFY(session.drag(dragLine(from, dropped)));
        WAIT_FOR(session, layerCentres(session).size() == 3 && storedCutoutSizes(session).size() == 6);
        QVERIFY2((layerCentres(session)[1] - centre).manhattanLength() <= 1, "at the drop point");
        QCOMPARE(layerCentres(session)[2], layerCentres(session)[1] + QPoint(20, 20));
        QVERIFY(session.click(board, MoodBoard::pointOf({ 20, 20 }))); // empty canvas: the board has the keys
        QVERIFY(session.xdotool({ "key", "ctrl+z" }).succeeded());
        WAIT_FOR(session, layerCentres(session).size() == 1);

        // Ctrl+V with a picture on the clipboard: a cut-out, and a layer in the middle of the view.
        QVERIFY(session.run("sh", { "-c", "xclip -selection clipboard -t image/png -i \"$0\" >/dev/null 2>&1", square })
                    .succeeded());
        QVERIFY(session.xdotool({ "key", "ctrl+v" }).succeeded());
        WAIT_FOR(session, layerCentres(session).size() == 2 && storedCutoutSizes(session).size() == 7);
        QCOMPARE(layerCentres(session)[1], centre.toPoint());
        QCOMPARE(storedCutoutSizes(session).first(), QSize(50, 50));
        endProcess(*source);
    }
};

QTEST_GUILESS_MAIN(ImportE2ETest)
#include "ImportE2ETest.moc"
