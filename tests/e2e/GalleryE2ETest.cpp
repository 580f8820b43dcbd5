// The floating panel and the Idea Gallery of the real app on a private desktop
// (openbox, picom, a tray), over a seeded gallery of plain-coloured pictures. Positions are in the 601 x 472
// window: the grid's cells of 125 start at x 68 (then 223, 378) and y 138, rows
// 155 apart for square pictures.
#include "E2ETest.h"
#include "GallerySeed.h"

namespace {

constexpr QPoint firstCell { 130, 200 }, collagesTab { 121, 41 }, selectToggle { 560, 73 }, upArrow { 569, 112 },
    downArrow { 569, 442 };
// In a menu opened on the first cell (top-left at 189, 259): its rows.
constexpr QPoint copyRow { 220, 279 }, deleteRow { 220, 339 }, selectionDeleteRow { 220, 318 };
// The confirmation's "Delete" button.
constexpr QPoint confirmDelete { 345, 264 };

} // namespace

class GalleryE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    void panelOpensTheGalleryWhereItemsAreCopiedDraggedOutAndDeleted()
    {
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        const QList<SeedItem> items = GallerySeed::sample();
        QVERIFY2(session.start() && GallerySeed::write(session.scrapwickFolder(), items) && session.launchApp(),
            qPrintable(session.lastError()));
        WAIT_FOR(session, session.appHasTrayIcon());
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QCOMPARE(session.appOutputLines(), QStringList()); // nothing to say unasked
        // 20 points in from the top-right corner of the work area, here the whole
        // screen: the tray reserves no strip of it.
        const QRect panelFrame(1920 - 20 - 78, 20, 78, 87);
        QCOMPARE(session.screenGeometry(panel), panelFrame);
        const auto press = [&](QPoint point) { return ::press(session, panel, point); };
        const auto face = [&](QPoint point) { return session.grayAt(panel, point); };
        // Minimised: a bar with the same top edge; a click anywhere on it restores.
        QVERIFY(press(Panel::minimize));
        WAIT_FOR(session, session.screenGeometry(panel) == QRect(panelFrame.topLeft(), QSize(78, 16)));
        QVERIFY(press({ 60, 8 }));
        WAIT_FOR(session, session.screenGeometry(panel) == panelFrame);
        // The mood board's button shows it (only it and the gallery are wider
        // than 300) and turns black; again hides it and turns white.
        for (const bool open : { true, false }) {
            QVERIFY(press(Panel::moodBoard));
            WAIT_FOR(session,
                (session.appWindow([](QRect r) { return r.width() > 300; }) != 0) == open
                    && (open ? face(Panel::moodBoardFace) < 40 : face(Panel::moodBoardFace) > 215)
                    && face(Panel::galleryFace) > 215);
        }

        QVERIFY(press(Panel::gallery));
        const XWindow gallery = session.waitForAppWindow({ 601, 472 });
        WAIT_FOR(session, face(Panel::galleryFace) < 40 && face(Panel::moodBoardFace) > 215);
        // Centred on the 1920 x 1080 screen: (1920 - 600.6) / 2 and (1080 - 471.9) / 2, rounded.
        const QRect opened(660, 304, 601, 472);
        QCOMPARE(session.screenGeometry(gallery), opened);
        QVERIFY(session.run("xprop", { "-id", QString::number(gallery), "_NET_FRAME_EXTENTS" })
                    .output.contains("= 0, 0, 0, 0"));

        // Waits until the window's pixel at `point` shows `colour`.
        const auto shows = [&](QPoint point, QColor colour) {
            return QTest::qWaitFor([&] { return session.windowImage(gallery).pixelColor(point) == colour; });
        };
        // Opens the first cell's menu and presses `row` once it shows.
        const auto pressMenuRow = [&](QPoint row) {
            return session.click(gallery, firstCell, 3) && shows(row + QPoint(60, 0), Qt::white)
                && session.click(gallery, row);
        };
        const auto pressMenuRowAndConfirm = [&](QPoint row) {
            return pressMenuRow(row) && shows(confirmDelete + QPoint(30, 0), Qt::white)
                && session.click(gallery, confirmDelete);
        };
        // Whether the i-th cut-out's file or index entry is still there.
        const auto kept = [&](int i) {
            return QFile::exists(pngIn(session.scrapwickFolder() + "/cutouts", items[i].id))
                || readFile(session.scrapwickFolder() + "/gallery-index.json").contains(upperId(items[i].id).toUtf8());
        };

        // Cut-outs newest first, three to a row.
        for (int i = 0; i < 6; ++i)
            QVERIFY2(shows(firstCell + QPoint(155 * (i % 3), 155 * (i / 3)), items[i].colour),
                qPrintable(QString::number(i)));
        // Seven cut-outs make three rows (475 points): the down arrow moves the
        // grid up 40, so (130, 240) turns from the first row to the gap below it.
        QVERIFY(session.click(gallery, downArrow) && shows({ 130, 240 }, Qt::white));
        QVERIFY(session.click(gallery, upArrow) && shows({ 130, 240 }, items[0].colour));

        QVERIFY(pressMenuRow(copyRow));
        WAIT_FOR(session, session.clipboardImage().pixelColor(10, 10) == items[0].colour);

        // Dragged onto a text field, a cut-out drops as its id and its section.
        // Not a structured binding: clang 14 cannot capture one in WAIT_FOR's lambda.
        const auto shown = showTestWindow(session, { "--target" });
        QProcess* const target = shown.first.get();
        QVERIFY(session.drag(dragLine(opened.topLeft() + firstCell, shown.second)));
        QByteArray dropped;
        WAIT_FOR(session,
            dropped.append(target->readAllStandardOutput())
                .contains(("text: " + upperId(items[0].id) + ":cutouts").toUtf8()));
        endProcess(*target);

        // Delete asks first, then the picture and its index entry go.
        QVERIFY(pressMenuRowAndConfirm(deleteRow));
        WAIT_FOR(session, !kept(0));
        QVERIFY(shows(firstCell, items[1].colour));

        // In select mode a marquee from the bottom-right of the first row to its
        // top-left selects its three; the selection's menu deletes them.
        QVERIFY(session.click(gallery, selectToggle));
        QVERIFY(session.drag(dragLine(opened.topLeft() + QPoint(540, 250), opened.topLeft() + QPoint(30, 120))));
        QVERIFY(pressMenuRowAndConfirm(selectionDeleteRow));
        WAIT_FOR(session, !kept(1) && !kept(2) && !kept(3));
        QVERIFY(kept(4) && shows(firstCell, items[4].colour));

        // Collages: 300 x 200 pictures are 125 x 83.3, centred in a row of that height.
        QVERIFY(session.click(gallery, collagesTab));
        QVERIFY(shows({ 130, 180 }, items[7].colour) && shows({ 285, 180 }, items[8].colour));
        QVERIFY(shows({ 130, 230 }, Qt::white));

        // The title bar moves the window; hidden (the heart turns white) and
        // shown again, it is back at its opening frame.
        const QPoint topLeft = opened.topLeft();
        QVERIFY(session.drag(dragLine(topLeft + QPoint(300, 12), topLeft + QPoint(400, 62))));
        WAIT_FOR(session, session.screenGeometry(gallery) == opened.translated(100, 50));
        QVERIFY(press(Panel::gallery));
        WAIT_FOR(session, !session.isViewable(gallery) && face(Panel::galleryFace) > 215);
        QVERIFY(press(Panel::gallery));
        WAIT_FOR(session, session.screenGeometry(gallery) == opened);
    }
};

QTEST_GUILESS_MAIN(GalleryE2ETest)
#include "GalleryE2ETest.moc"
