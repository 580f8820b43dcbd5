// The Mood Board of the real app on a private desktop (openbox, picom, a
// tray), over a seeded canvas of known colours: opened from the floating
// panel, layers moved, scaled and edited with the keyboard, the wheel, a drop
// from the gallery, and closed with its own button.
#include "CanvasSeed.h"
#include "E2ETest.h"
#include "GallerySeed.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPolygonF>
#include <QTransform>

namespace {

// The layers as "canvas.json" has them once the app has written them.
QList<LayerEntry> layersOn(const X11Session& session)
{
    return CanvasSeed::read(session.scrapwickFolder());
}

std::optional<LayerEntry> layerWithId(const QList<LayerEntry>& layers, const QUuid& id)
{
    for (const LayerEntry& layer : layers) {
        if (layer.id == id)
            return layer;
    }
    return std::nullopt;
}

// How many pixels of `area` differ between two pictures of the board.
int changedPixels(const QImage& before, const QImage& after, const QRect& area)
{
    int changed = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            changed += before.pixel(x, y) != after.pixel(x, y) ? 1 : 0;
    return changed;
}

// The size of the exported picture: the turned layers' extent grown by 8
// points on every side, three pixels a point.
QSize exportedSize(const QList<LayerEntry>& layers)
{
    QRectF extent;
    for (const LayerEntry& layer : layers) {
        const QTransform turn = QTransform().rotate(layer.rotation);
        const QRectF box(-layer.width / 2, -layer.height / 2, layer.width, layer.height);
        extent |= turn.map(QPolygonF(box)).boundingRect().translated(layer.position);
    }
    return { int(std::round((extent.width() + 16) * 3)), int(std::round((extent.height() + 16) * 3)) };
}

} // namespace

class MoodBoardE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    void boardShowsMovesScalesEditsAndZoomsItsLayers()
    {
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        const QList<SeedLayer> seeded = CanvasSeed::sample();
        const SeedLayer &red = seeded[0], &blue = seeded[1], &green = seeded[2];
        QVERIFY2(session.start() && CanvasSeed::write(session.scrapwickFolder(), seeded) && session.launchApp(),
            qPrintable(session.lastError()));
        WAIT_FOR(session, session.appHasTrayIcon());
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY2(panel, qPrintable(session.diagnostics()));
        const auto face = [&] { return session.grayAt(panel, Panel::moodBoardFace); };

        QVERIFY(session.click(panel, Panel::moodBoard) && session.xdotool({ "mousemove", "0", "540" }).succeeded());
        const XWindow board = session.waitForAppWindow(MoodBoard::size);
        QVERIFY2(board, qPrintable(session.diagnostics()));
        // 837.1 x 488.4 in whole pixels, centred on the 1920 x 1080 screen:
        // (1920 - 837.1) / 2 = 541.45 and (1080 - 488.4) / 2 = 295.8, rounded.
        const QRect frame = session.screenGeometry(board);
        QCOMPARE(frame, QRect(541, 296, 838, 489));
        const QString id = QString::number(board);
        QCOMPARE(session.xdotool({ "getwindowname", id }).output.trimmed(), QStringLiteral("MoodBoard"));
        QVERIFY(session.run("xprop", { "-id", id, "_NET_FRAME_EXTENTS" }).output.contains("= 0, 0, 0, 0"));
        WAIT_FOR(session, face() < 40);

        const auto colourAt
            = [&](QPointF world) { return session.windowImage(board).pixelColor(MoodBoard::pointOf(world)); };
        for (const SeedLayer& layer : seeded)
            WAIT_FOR(session, colourAt(layer.position) == layer.colour);
        const auto screenOf = [&](QPointF world) { return frame.topLeft() + MoodBoard::pointOf(world); };
        const auto count = [&] { return layersOn(session).size(); };

        // A drag moves the layer by exactly as much, at zoom 1; while the button
        // is down the board already shows it at its new place.
        const QPoint from = screenOf(green.position);
        const QPoint to = from + QPoint(100, 50);
        QVERIFY(session
                    .xdotool({ "mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1",
                        "mousemove", QString::number(from.x() + 50), QString::number(from.y() + 25), "mousemove",
                        QString::number(to.x()), QString::number(to.y()) })
                    .succeeded());
        WAIT_FOR(session, colourAt(green.position + QPointF(100, 50)) == green.colour);
        QCOMPARE(colourAt(green.position), QColor(Qt::white));
        QCOMPARE(layerWithId(layersOn(session), green.id)->position, green.position);
        QVERIFY(session.xdotool({ "mouseup", "1" }).succeeded());
        WAIT_FOR(session, layerWithId(layersOn(session), green.id)->position == green.position + QPointF(100, 50));
        QCOMPARE(layersOn(session).size(), 4);

        // A click selects; Delete, Ctrl+Z, Ctrl+Shift+Z act on the selection.
        QVERIFY(session.click(board, MoodBoard::pointOf(blue.position)));
        QVERIFY(session.xdotool({ "key", "Delete" }).succeeded());
        WAIT_FOR(session, count() == 3 && !layerWithId(layersOn(session), blue.id));
        QVERIFY(session.xdotool({ "key", "ctrl+z" }).succeeded());
        WAIT_FOR(session, count() == 4 && layerWithId(layersOn(session), blue.id));
        QVERIFY(session.xdotool({ "key", "ctrl+shift+z" }).succeeded());
        WAIT_FOR(session, count() == 3 && !layerWithId(layersOn(session), blue.id));

        // The red layer's bottom-right handle dragged out scales it about its
        // top-left corner: k = |(150, 110)| / |(120, 90)|.
        QVERIFY(session.click(board, MoodBoard::pointOf(red.position)));
        const QPointF corner = red.position + QPointF(red.width / 2, red.height / 2);
        QVERIFY(session.drag(dragLine(screenOf(corner), screenOf(corner) + QPoint(30, 20))));
        const double k = std::hypot(150.0, 110.0) / 150.0;
        const auto scaled = [&] {
            const std::optional<LayerEntry> now = layerWithId(layersOn(session), red.id);
            return now && std::abs(now->width - 120 * k) < 1e-6 && std::abs(now->height - 90 * k) < 1e-6
                && (now->position - QPointF(now->width / 2, now->height / 2) - QPointF(50, 55)).manhattanLength()
                < 1e-6;
        };
        WAIT_FOR(session, scaled());

        // Ctrl+D copies the selected layer.
        QVERIFY(session.xdotool({ "key", "ctrl+d" }).succeeded());
        WAIT_FOR(session, count() == 4);

        // One notch of the wheel over the canvas zooms in by 10 percent about
        // the content's centre: what showed at world x 40, left of the red
        // layer, now shows world x 63.4, inside it.
        const QPointF leftOfRed(40, 100);
        QCOMPARE(colourAt(leftOfRed), QColor(Qt::white));
        QVERIFY(session
                    .xdotool({ "mousemove", QString::number(screenOf(leftOfRed).x()),
                        QString::number(screenOf(leftOfRed).y()), "click", "4" })
                    .succeeded());
        WAIT_FOR(session, colourAt(leftOfRed) == red.colour);

        QVERIFY(session.click(board, MoodBoard::close));
        WAIT_FOR(session, !session.isViewable(board) && face() > 215);
    }

    void cutoutDraggedFromTheGalleryBecomesALayerAtTheDropPoint()
    {
        X11Session session({ .windowManager = true, .compositor = true });
        const QList<SeedItem> items = GallerySeed::sample();
        QVERIFY2(session.start() && GallerySeed::write(session.scrapwickFolder(), items) && session.launchApp(),
            qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY(session.click(panel, Panel::moodBoard));
        const XWindow board = session.waitForAppWindow(MoodBoard::size);
        QVERIFY(session.click(panel, Panel::gallery));
        const XWindow gallery = session.waitForAppWindow({ 601, 472 });
        QVERIFY2(board && gallery, qPrintable(session.diagnostics()));
        // The gallery opens over the board; move it aside to the left.
        QVERIFY(session.xdotool({ "windowmove", QString::number(gallery), "0", "300" }).succeeded());
        WAIT_FOR(session, session.screenGeometry(gallery).topLeft() == QPoint(0, 300));

        // The first cell onto the content's centre: exactly (541, 296) +
        // (183.38, 72.38) + (297.62, 178.62) on the screen.
        const QPointF centre(MoodBoard::contentSize.width() / 2, MoodBoard::contentSize.height() / 2);
        const QPoint target = session.screenGeometry(board).topLeft() + MoodBoard::pointOf(centre);
        QVERIFY(session.drag(dragLine(QPoint(0, 300) + QPoint(130, 200), target)));
        WAIT_FOR(session, layersOn(session).size() == 1);
        const LayerEntry layer = layersOn(session).first();
        QVERIFY2((layer.position - centre).manhattanLength() < 1e-6,
            qPrintable(QString("%1,%2").arg(layer.position.x()).arg(layer.position.y())));
        WAIT_FOR(session, session.windowImage(board).pixelColor(MoodBoard::pointOf(centre)) == items[0].colour);
    }

    void toolbarPanelMenusAndExportReachTheStore()
    {
        X11Session session({ .windowManager = true, .compositor = true });
        QTemporaryDir downloads;
        const QList<SeedLayer> seeded = CanvasSeed::sample();
        const SeedLayer &red = seeded[0], &yellow = seeded[3];
        QVERIFY2(session.start() && CanvasSeed::write(session.scrapwickFolder(), seeded) && session.launchApp(),
            qPrintable(session.lastError()));
        QVERIFY(session.click(session.waitForAppWindow(Panel::size), Panel::moodBoard));
        const XWindow board = session.waitForAppWindow(MoodBoard::size);
        QVERIFY2(board, qPrintable(session.diagnostics()));
        WAIT_FOR(session, session.windowImage(board).pixelColor(MoodBoard::pointOf(red.position)) == red.colour);
        const auto layer = [&](const QUuid& id) { return layerWithId(layersOn(session), id); };
        // The undo and redo cells' outer borders: black, or faded to 30 % while there is nothing to do.
        const auto undoBlack = [&] { return session.grayAt(board, { 42, 166 }) < 60; };
        const auto redoBlack = [&] { return session.grayAt(board, { 126, 166 }) < 60; };
        QVERIFY(!undoBlack() && !redoBlack());
        QVERIFY(session.grayAt(board, { 42, 166 }) > 150);

        // Rotate menu: "rotate right", then "flip horizontally", on the selection.
        QVERIFY(session.click(board, MoodBoard::pointOf(red.position)));
        QVERIFY(session.click(board, MoodBoard::rotate) && session.click(board, MoodBoard::rotateRight));
        WAIT_FOR(session, layer(red.id)->rotation == 90);
        WAIT_FOR(session, undoBlack() && !redoBlack());
        QVERIFY(session.click(board, MoodBoard::rotate) && session.click(board, MoodBoard::flipHorizontally));
        WAIT_FOR(session, layer(red.id)->flipHorizontal);

        // Stacking: the bottom layer one step up, then back to the bottom.
        QVERIFY(session.click(board, MoodBoard::layerOrder));
        QVERIFY(session.click(board, MoodBoard::bringForward));
        WAIT_FOR(session, layer(red.id)->zIndex == 1 && layer(seeded[1].id)->zIndex == 0);
        QVERIFY(session.click(board, MoodBoard::sendToBack));
        WAIT_FOR(session, layer(red.id)->zIndex == 0);
        // The list shows the top-most first: its first row is the yellow layer.
        QVERIFY(session.click(board, MoodBoard::firstRow) && session.xdotool({ "key", "Delete" }).succeeded());
        WAIT_FOR(session, layersOn(session).size() == 3 && !layer(yellow.id));
        QVERIFY(session.click(board, MoodBoard::undo));
        WAIT_FOR(session, layersOn(session).size() == 4 && redoBlack());

        // Download: the dialog writes the board at three pixels a point.
        const QString path = downloads.filePath("board.png");
        QVERIFY(session.click(board, MoodBoard::save) && session.click(board, MoodBoard::download));
        WAIT_FOR(session, session.xdotool({ "getwindowfocus", "getwindowname" }).output.trimmed() == "Download");
        QVERIFY(session.xdotool({ "key", "ctrl+a" }).succeeded()
            && session.xdotool({ "type", "--delay", "5", path }).succeeded()
            && session.xdotool({ "key", "Return" }).succeeded());
        WAIT_FOR(session, session.appOutputLines().contains("[Export] saved to " + path));
        QCOMPARE(QImage(path).size(), exportedSize(layersOn(session)));

        // Save to Collages: a collage in the index, and a toast over the canvas's centre that goes away.
        const QRect toastArea(MoodBoard::toastCentre - QPoint(60, 6), QSize(121, 13));
        const QImage quiet = session.windowImage(board);
        QVERIFY(session.click(board, MoodBoard::save) && session.click(board, MoodBoard::saveToCollages));
        WAIT_FOR(session, changedPixels(quiet, session.windowImage(board), toastArea) > 100);
        const QJsonArray index
            = QJsonDocument::fromJson(readFile(session.scrapwickFolder() + "/gallery-index.json")).array();
        QCOMPARE(index.size(), 1);
        QCOMPARE(index.first()["section"].toString(), QString("collages"));
        WAIT_FOR(session, changedPixels(quiet, session.windowImage(board), toastArea) == 0);

        // Clear, confirmed, empties the board; Save then only says there is nothing to export,
        // in a toast wider than the last one.
        QVERIFY(session.click(board, MoodBoard::clear) && session.click(board, MoodBoard::confirmClear));
        WAIT_FOR(session, layersOn(session).isEmpty());
        const QImage empty = session.windowImage(board);
        QVERIFY(session.click(board, MoodBoard::save));
        const QRect farLeft(MoodBoard::toastCentre - QPoint(100, 6), QSize(20, 13));
        WAIT_FOR(session, changedPixels(empty, session.windowImage(board), farLeft) > 10);
        QVERIFY(!session.appOutputLines().join('\n').contains("render failed"));
    }
};

QTEST_GUILESS_MAIN(MoodBoardE2ETest)
#include "MoodBoardE2ETest.moc"
