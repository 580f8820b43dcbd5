// The Mood Board of the real app on a private desktop (openbox, picom), over a
// seeded canvas of known colours: opened from the floating panel, layers
// moved, scaled and edited with the keyboard, the wheel, the toolbar, the
// layer panel and both menus, exported, cleared, and closed with its own
// button. (A drop from the gallery is the import test's.)
#include "CanvasSeed.h"
#include "E2ETest.h"

#include <QPolygonF>

namespace {

// The size of the exported picture: the turned layers' extent grown by 8
// points on every side, three pixels a point.
QSize exportedSize(const QList<LayerEntry>& layers)
{
    QRectF extent;
    for (const LayerEntry& layer : layers) {
        const QRectF box(-layer.width / 2, -layer.height / 2, layer.width, layer.height);
        extent |= QTransform().rotate(layer.rotation).map(QPolygonF(box)).boundingRect().translated(layer.position);
    }
    return { int(std::round((extent.width() + 16) * 3)), int(std::round((extent.height() + 16) * 3)) };
}

} // namespace

class MoodBoardE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    void boardEditsItsLayersAndReachesTheStore()
    {
        X11Session session({ .windowManager = true, .compositor = true });
        QTemporaryDir downloads;
        const QList<SeedLayer> seeded = CanvasSeed::sample();
        const SeedLayer &red = seeded[0], &blue = seeded[1], &green = seeded[2];
        QVERIFY2(session.start() && CanvasSeed::write(session.scrapwickFolder(), seeded) && session.launchApp(),
            qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        const auto face = [&] { return session.grayAt(panel, Panel::moodBoardFace); };
        QVERIFY(press(session, panel, Panel::moodBoard));
        const XWindow board = session.waitForAppWindow(MoodBoard::size);
        // 837.1 x 488.4 in whole pixels, centred on the 1920 x 1080 screen:
        // (1920 - 837.1) / 2 = 541.45 and (1080 - 488.4) / 2 = 295.8, rounded.
        const QRect frame = session.screenGeometry(board);
        QCOMPARE(frame, QRect(541, 296, 838, 489));
        QVERIFY(session.run("xprop", { "-id", QString::number(board), "_NET_FRAME_EXTENTS" })
                    .output.contains("= 0, 0, 0, 0"));
        WAIT_FOR(session, face() < 40);

        const auto colourAt
            = [&](QPointF world) { return session.windowImage(board).pixelColor(MoodBoard::pointOf(world)); };
        for (const SeedLayer& layer : seeded)
            WAIT_FOR(session, colourAt(layer.position) == layer.colour);
        const auto screenOf = [&](QPointF world) { return frame.topLeft() + MoodBoard::pointOf(world); };
        const auto layers = [&] { return CanvasSeed::read(session.scrapwickFolder()); };
        const auto layer = [&](const QUuid& id) {
            const QList<LayerEntry> all = layers();
            const auto found = std::find_if(all.begin(), all.end(), [&](const LayerEntry& l) { return l.id == id; });
            return found == all.end() ? std::nullopt : std::optional(*found);
        };
        const auto key = [&](const char* keys) { return session.xdotool({ "key", keys }).succeeded(); };
        // The undo and redo cells' outer borders: black, or faded to 30 % while there is nothing to do.
        const auto undoBlack = [&] { return session.grayAt(board, { 42, 166 }) < 60; };
        const auto redoBlack = [&] { return session.grayAt(board, { 126, 166 }) < 60; };
        QVERIFY(!undoBlack() && !redoBlack() && session.grayAt(board, { 42, 166 }) > 150);

        // A drag moves the layer by exactly as much, at zoom 1; while the button
        // is down the board already shows it at its new place.
        const QPoint from = screenOf(green.position);
        QVERIFY(session.drag({ from, from + QPoint(50, 25), from + QPoint(100, 50) }, false));
        WAIT_FOR(session, colourAt(green.position + QPointF(100, 50)) == green.colour);
        QCOMPARE(colourAt(green.position), QColor(Qt::white));
        QCOMPARE(layer(green.id)->position, green.position);
        QVERIFY(session.xdotool({ "mouseup", "1" }).succeeded());
        WAIT_FOR(session, layer(green.id)->position == green.position + QPointF(100, 50));
        QCOMPARE(layers().size(), 4);

        // A click selects; Delete, Ctrl+Z, Ctrl+Shift+Z act on the selection.
        QVERIFY(session.click(board, MoodBoard::pointOf(blue.position)) && key("Delete"));
        WAIT_FOR(session, layers().size() == 3 && !layer(blue.id));
        QVERIFY(key("ctrl+z"));
        WAIT_FOR(session, layers().size() == 4 && layer(blue.id));
        QVERIFY(key("ctrl+shift+z"));
        WAIT_FOR(session, layers().size() == 3 && !layer(blue.id));

        // The red layer's bottom-right handle dragged out scales it about its
        // top-left corner: k = |(150, 110)| / |(120, 90)|.
        QVERIFY(session.click(board, MoodBoard::pointOf(red.position)));
        const QPointF corner = red.position + QPointF(red.width / 2, red.height / 2);
        QVERIFY(session.drag(dragLine(screenOf(corner), screenOf(corner) + QPoint(30, 20))));
        const double k = std::hypot(150.0, 110.0) / 150.0;
        WAIT_FOR(session,
            std::abs(layer(red.id)->width - 120 * k) < 1e-6 && std::abs(layer(red.id)->height - 90 * k) < 1e-6
                && (layer(red.id)->position - QPointF(60 * k, 45 * k) - QPointF(50, 55)).manhattanLength() < 1e-6);

        // One notch of the wheel over the canvas zooms in by 10 percent about
        // the content's centre: what showed at world x 40, left of the red
        // layer, now shows world x 63.4, inside it.
        const QPointF leftOfRed(40, 100);
        QCOMPARE(colourAt(leftOfRed), QColor(Qt::white));
        QVERIFY(session.click(board, MoodBoard::pointOf(leftOfRed), 4));
        WAIT_FOR(session, colourAt(leftOfRed) == red.colour);

        // Rotate menu: "rotate right", then "flip horizontally", on the selection.
        QVERIFY(session.click(board, MoodBoard::rotate) && session.click(board, MoodBoard::rotateRight));
        WAIT_FOR(session, layer(red.id)->rotation == 90 && undoBlack() && !redoBlack());
        QVERIFY(session.click(board, MoodBoard::rotate) && session.click(board, MoodBoard::flipHorizontally));
        WAIT_FOR(session, layer(red.id)->flipHorizontal);

        // Stacking: the bottom layer one step up, then back to the bottom.
        QVERIFY(session.click(board, MoodBoard::layerOrder) && session.click(board, MoodBoard::bringForward));
        WAIT_FOR(session, layer(red.id)->zIndex == 1 && layer(green.id)->zIndex == 0);
        QVERIFY(session.click(board, MoodBoard::sendToBack));
        WAIT_FOR(session, layer(red.id)->zIndex == 0);

        // Ctrl+D copies the selected layer, on top; the list shows the top-most
        // first, so its first row is the copy.
        QVERIFY(key("ctrl+d"));
        WAIT_FOR(session, layers().size() == 4);
        const QUuid copy = layers().last().id;
        QVERIFY(session.click(board, MoodBoard::firstRow) && key("Delete"));
        WAIT_FOR(session, layers().size() == 3 && !layer(copy));
        QVERIFY(session.click(board, MoodBoard::undo));
        WAIT_FOR(session, layers().size() == 4 && redoBlack());

        // Download: the dialog writes the board at three pixels a point.
        const QString path = downloads.filePath("board.png");
        QVERIFY(session.click(board, MoodBoard::save) && session.click(board, MoodBoard::download));
        WAIT_FOR(session, session.xdotool({ "getwindowfocus", "getwindowname" }).output.trimmed() == "Download");
        QVERIFY(key("ctrl+a") && session.xdotool({ "type", "--delay", "5", path }).succeeded() && key("Return"));
        WAIT_FOR(session, session.appOutputLines().contains("[Export] saved to " + path));
        QCOMPARE(QImage(path).size(), exportedSize(layers()));

        // Save to Collages: a collage in the index, and a toast over the canvas's centre that goes away.
        const QRect toastArea(MoodBoard::toastCentre - QPoint(60, 6), QSize(121, 13));
        const auto toastAt = [&](const QImage& quiet, const QRect& area) {
            return session.windowImage(board).copy(area) != quiet.copy(area);
        };
        const QImage quiet = session.windowImage(board);
        QVERIFY(session.click(board, MoodBoard::save) && session.click(board, MoodBoard::saveToCollages));
        WAIT_FOR(session, toastAt(quiet, toastArea));
        const QJsonArray index
            = QJsonDocument::fromJson(readFile(session.scrapwickFolder() + "/gallery-index.json")).array();
        QVERIFY(index.size() == 1 && index.first()["section"].toString() == "collages");
        WAIT_FOR(session, !toastAt(quiet, toastArea));

        // Clear, confirmed, empties the board; Save then only says there is
        // nothing to export, in a toast wider than the last one.
        QVERIFY(session.click(board, MoodBoard::clear) && session.click(board, MoodBoard::confirmClear));
        WAIT_FOR(session, layers().isEmpty());
        const QImage empty = session.windowImage(board);
        QVERIFY(session.click(board, MoodBoard::save));
        const QRect farLeft(MoodBoard::toastCentre - QPoint(100, 6), QSize(20, 13));
        WAIT_FOR(session, toastAt(empty, farLeft));
        QVERIFY(!session.appOutputLines().join('\n').contains("render failed"));

        QVERIFY(session.click(board, MoodBoard::close));
        WAIT_FOR(session, !session.isViewable(board) && face() > 215);
    }
};

QTEST_GUILESS_MAIN(MoodBoardE2ETest)
#include "MoodBoardE2ETest.moc"
