// The Idea Gallery of the real app on a private desktop (openbox, picom), over a
// seeded gallery of plain-coloured pictures. Positions are in the 601 x 472
// window: the grid's cells of 125 start at x 68 (then 223, 378) and y 138, rows
// 155 apart for square pictures.
#include "GalleryDriver.h"
#include "GallerySeed.h"
#include "X11Session.h"

#include <QDir>
#include <QtTest>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

constexpr QPoint firstCell { 130, 200 };
constexpr QPoint collagesTab { 121, 41 };
constexpr QPoint selectToggle { 560, 73 };
constexpr QPoint upArrow { 569, 112 };
constexpr QPoint downArrow { 569, 442 };
// In a menu opened on the first cell (top-left at 189, 259): its rows.
constexpr QPoint copyRow { 220, 279 };
constexpr QPoint deleteRow { 220, 339 };
constexpr QPoint selectionDeleteRow { 220, 318 };
// The confirmation's "Delete" button.
constexpr QPoint confirmDelete { 345, 264 };

QString pathOf(const X11Session& session, const SeedItem& item)
{
    return session.scrapwickFolder() + (item.collage ? "/collages/" : "/cutouts/")
        + item.id.toString(QUuid::WithoutBraces).toUpper() + ".png";
}

bool indexMentions(const X11Session& session, const SeedItem& item)
{
    QFile index(session.scrapwickFolder() + "/gallery-index.json");
    return index.open(QIODevice::ReadOnly)
        && index.readAll().contains(item.id.toString(QUuid::WithoutBraces).toUpper().toUtf8());
}

class GallerySession {
public:
    GallerySession()
        : session({ .windowManager = true, .compositor = true })
        , gallery(session)
    {
    }

    [[nodiscard]] bool start()
    {
        return session.start() && GallerySeed::write(session.scrapwickFolder(), items) && session.launchApp()
            && gallery.open();
    }

    // Waits until the pixel at `point` shows `colour`.
    [[nodiscard]] bool shows(QPoint point, QColor colour) const
    {
        return X11Session::waitUntil([&] { return gallery.showsColour(point, colour); });
    }

    // Presses a menu's Delete row once the menu shows, then the confirmation's button.
    [[nodiscard]] bool deleteThroughMenu(QPoint row) const
    {
        return shows(row + QPoint(60, 0), Qt::white) && gallery.click(row)
            && shows(confirmDelete + QPoint(30, 0), Qt::white) && gallery.click(confirmDelete);
    }

    X11Session session;
    GalleryDriver gallery;
    const QList<SeedItem> items = GallerySeed::sample();
};

} // namespace

class GalleryE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void heartOpensAFramelessCentredGalleryOfBothSections()
    {
        REQUIRE_XVFB();
        GallerySession run;
        QVERIFY2(run.start(), qPrintable(run.session.lastError() + run.session.diagnostics()));
        // Centred on the 1920 x 1080 screen: (1920 - 600.6) / 2 and (1080 - 471.9) / 2, rounded.
        QCOMPARE(run.gallery.frame(), QRect(660, 304, 601, 472));
        const QString window = QString::number(run.gallery.window());
        QCOMPARE(run.session.xdotool({ "getwindowname", window }).output.trimmed(), QStringLiteral("Idea Gallery"));
        const CommandResult extents = run.session.run("xprop", { "-id", window, "_NET_FRAME_EXTENTS" });
        QVERIFY2(extents.output.contains("= 0, 0, 0, 0"), qPrintable(extents.output));

        // Cut-outs newest first, three to a row.
        for (int i = 0; i < 6; ++i)
            QVERIFY2(run.shows(firstCell + QPoint(155 * (i % 3), 155 * (i / 3)), run.items[i].colour),
                qPrintable(QString::number(i)));
        // Collages: 300 x 200 pictures are 125 x 83.3, centred in a row of that height.
        QVERIFY(run.gallery.click(collagesTab));
        QVERIFY(run.shows({ 130, 180 }, run.items[7].colour));
        QVERIFY(run.shows({ 285, 180 }, run.items[8].colour));
        QVERIFY(run.shows({ 130, 230 }, Qt::white));
    }

    void titleBarMovesCornerResizesAndShowingAgainResets()
    {
        REQUIRE_XVFB();
        GallerySession run;
        QVERIFY2(run.start(), qPrintable(run.session.lastError() + run.session.diagnostics()));
        const QRect opened = run.gallery.frame();
        QVERIFY(run.gallery.drag({ 300, 12 }, { 400, 62 }));
        QVERIFY(X11Session::waitUntil([&] { return run.gallery.frame() == opened.translated(100, 50); }));
        // The bottom-right corner square resizes through the window manager.
        QVERIFY(run.gallery.drag({ 597, 468 }, { 697, 548 }));
        QVERIFY2(X11Session::waitUntil([&] { return run.gallery.frame().size() == QSize(701, 552); }),
            qPrintable(QString("%1x%2").arg(run.gallery.frame().width()).arg(run.gallery.frame().height())));
        // Hidden and shown again: back to the opening size, centred.
        QVERIFY(run.gallery.clickHeart());
        QVERIFY(X11Session::waitUntil([&] { return !run.session.isViewable(run.gallery.window()); }));
        QVERIFY(run.gallery.clickHeart());
        QVERIFY(X11Session::waitUntil([&] { return run.gallery.frame() == opened; }));
    }

    void arrowsScrollAndTheMenuCopiesAndDeletesAnItem()
    {
        REQUIRE_XVFB();
        GallerySession run;
        QVERIFY2(run.start(), qPrintable(run.session.lastError() + run.session.diagnostics()));
        QVERIFY(run.shows(firstCell, run.items[0].colour));

        // Seven cut-outs make three rows (475 points): the down arrow moves the
        // grid up 40, so (130, 240) turns from the first row to the gap below it.
        QVERIFY(run.shows({ 130, 240 }, run.items[0].colour));
        QVERIFY(run.gallery.click(downArrow));
        QVERIFY(run.shows({ 130, 240 }, Qt::white));
        QVERIFY(run.gallery.click(upArrow));
        QVERIFY(run.shows({ 130, 240 }, run.items[0].colour));
        // One wheel notch is the same 40-point step, while the gallery is active.
        QVERIFY(run.gallery.click(firstCell, 5));
        QVERIFY(run.shows({ 130, 240 }, Qt::white));
        QVERIFY(run.gallery.click(firstCell, 4));
        QVERIFY(run.shows({ 130, 240 }, run.items[0].colour));

        QVERIFY(run.gallery.click(firstCell, 3));
        QVERIFY(run.shows(copyRow + QPoint(60, 0), Qt::white));
        QVERIFY(run.gallery.click(copyRow));
        const QString copied = QDir(run.session.runtimeDir()).filePath("copied.png");
        QVERIFY(X11Session::waitUntil([&] {
            const CommandResult read
                = run.session.run("sh", { "-c", "xclip -selection clipboard -t image/png -o > '" + copied + "'" });
            const QImage image(copied);
            return read.succeeded() && !image.isNull() && image.pixelColor(10, 10) == run.items[0].colour;
        }));

        QVERIFY(run.gallery.click(firstCell, 3));
        QVERIFY(run.deleteThroughMenu(deleteRow));
        QVERIFY(X11Session::waitUntil([&] {
            return !QFile::exists(pathOf(run.session, run.items[0])) && !indexMentions(run.session, run.items[0]);
        }));
        QVERIFY(run.shows(firstCell, run.items[1].colour));
    }

    void marqueeSelectsTheFirstRowAndTheSelectionMenuDeletesIt()
    {
        REQUIRE_XVFB();
        GallerySession run;
        QVERIFY2(run.start(), qPrintable(run.session.lastError() + run.session.diagnostics()));
        QVERIFY(run.shows(firstCell, run.items[0].colour));
        QVERIFY(run.gallery.click(selectToggle));
        // From the bottom-right of the first row to its top-left.
        QVERIFY(run.gallery.drag({ 540, 250 }, { 30, 120 }));
        QVERIFY(run.gallery.click(firstCell, 3));
        QVERIFY(run.deleteThroughMenu(selectionDeleteRow));
        QVERIFY(X11Session::waitUntil([&] {
            return !QFile::exists(pathOf(run.session, run.items[0]))
                && !QFile::exists(pathOf(run.session, run.items[1]))
                && !QFile::exists(pathOf(run.session, run.items[2]));
        }));
        QVERIFY(QFile::exists(pathOf(run.session, run.items[3])));
        QVERIFY(run.shows(firstCell, run.items[3].colour));
    }

    void draggingACutOutOntoATextFieldDropsItsIdAndSection()
    {
        REQUIRE_XVFB();
        GallerySession run;
        QVERIFY2(run.start(), qPrintable(run.session.lastError() + run.session.diagnostics()));
        QVERIFY(run.shows(firstCell, run.items[0].colour));
        QProcess target;
        target.setProcessEnvironment(run.session.environment());
        target.start(DROP_TARGET_WINDOW, {});
        XWindow field = 0;
        QVERIFY(X11Session::waitUntil([&] {
            const CommandResult found = run.session.xdotool({ "search", "--name", "Drop Target" });
            field = found.output.trimmed().split('\n').last().toUInt();
            return found.succeeded() && field != 0 && run.session.isViewable(field);
        }));
        const QRect fieldFrame = run.session.screenGeometry(field);
        const QPoint into = fieldFrame.center() - run.gallery.frame().topLeft();
        QVERIFY(run.gallery.drag(firstCell, into));
        const QString expected = "text: " + run.items[0].id.toString(QUuid::WithoutBraces).toUpper() + ":cutouts";
        QVERIFY2(X11Session::waitUntil([&] { return target.readAllStandardOutput().contains(expected.toUtf8()); }),
            qPrintable(run.session.diagnostics()));
        target.kill();
        target.waitForFinished();
    }
};

QTEST_GUILESS_MAIN(GalleryE2ETest)
#include "GalleryE2ETest.moc"
