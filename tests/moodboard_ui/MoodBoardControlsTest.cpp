// The board's left column, pop-ups, toasts and export: layout and list
// arithmetic worked out by hand, and exports through the real pipeline with
// the save panel answered by the test.
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "moodboard_ui/CanvasExport.h"
#include "moodboard_ui/MoodBoardSideLayout.h"
#include "platform/Log.h"
#include "support/TestDoubles.h"
#include "support/TestFiles.h"

#include <QtTest>

using namespace MoodBoardSideLayout;

namespace {

Layer layerAt(const QString& name, qint64 zIndex)
{
    Layer layer;
    layer.id = QUuid::createUuid();
    layer.name = name;
    layer.zIndex = zIndex;
    return layer;
}

// Real stores in memory, the save panel answered by the test.
struct Stores {
    GalleryStore gallery { QString() };
    CanvasStore canvas { gallery, QString() };
    TestPlatformWith<ScriptedFilePanels> platform;
    QStringList toasts;
    QList<qsizetype> collagesAtToast;
    CanvasExport exporter { canvas, gallery, platform.filePanels, [this](const QString& text) {
                               toasts.append(text);
                               collagesAtToast.append(gallery.collages().size());
                           } };
};

void addHundredByFifty(Stores& stores, QPointF centre)
{
    QVERIFY(!stores.canvas.addLayer(QUuid::createUuid(), solidPng(10, 10, Qt::blue), centre, false));
    stores.canvas.commitTransform(stores.canvas.layers().last().id, centre, 100, 50);
}

} // namespace

class MoodBoardControlsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void columnAndPopupGeometry()
    {
        // Toolbar at (34, 28): 18 of top bar and 15 of inset put the first row
        // at y 61; cells step 42 so that borders overlap.
        QCOMPARE(toolbarRect(), QRectF(34, 28, 99, 175));
        QCOMPARE(toolbarCell(ToolbarItem::copy), QRectF(41, 61, 43, 43));
        QCOMPARE(toolbarCell(ToolbarItem::layerOrder), QRectF(83, 61, 43, 43));
        QCOMPARE(toolbarCell(ToolbarItem::redo), QRectF(83, 145, 43, 43));
        // Panel centred under it: (99 - 85) / 2 = 7 in, 15 below.
        QCOMPARE(layerPanelRect(), QRectF(41, 218, 85, 130));
        QCOMPARE(sortButtonRect(0), QRectF(7, 7, 14, 14));
        QCOMPARE(sortButtonRect(3), QRectF(64, 7, 14, 14));
        QCOMPARE(rotateMenuRect(), QRectF(15, 104, 132, 86));
        QCOMPARE(rotateMenuRow(2), QRectF(15, 147, 132, 18));

        // Card height, then the save button and its menu: the menu's centre is
        // min(33 + H - 109, 502) + 3 and it hangs from the buttons' bottom edge.
        const std::tuple<double, QRectF, QRectF> heights[] = {
            { 442, { 87.5, 310.3, 48.8, 25.7 }, { 42.4, 336, 139, 66 } },
            { 487, { 87.5, 355.3, 48.8, 25.7 }, { 42.4, 381, 139, 66 } },
            { 900, { 87.5, 446.3, 48.8, 25.7 }, { 42.4, 472, 139, 66 } },
        };
        for (const auto& [height, save, menu] : heights) {
            const auto round3 = [](QRectF r) {
                return QRectF(std::round(r.x() * 1000) / 1000, std::round(r.y() * 1000) / 1000, r.width(), r.height());
            };
            QCOMPARE(round3(saveButtonRect(height)), save);
            QCOMPARE(round3(clearButtonRect(height)), save.translated(-56.8, 0));
            QCOMPARE(round3(saveMenuRect(height)), menu);
        }
        QCOMPARE(saveMenuRow(1, 487).top(), 381 + 3 + 20.0);

        // Card 836 x 487: toast on the frame's centre; the dialog floored to
        // (218, 180), its message and buttons centred as one 60-point group.
        QCOMPARE(toastCentre({ 836, 487 }), QPointF(480, 250));
        const QPointF dialog = clearDialogRect({ 836, 487 }).topLeft();
        QCOMPARE(clearDialogRect({ 836, 487 }), QRectF(218, 180, 400, 126));
        QCOMPARE(clearMessageRect().top() + dialog.y(), 213.0);
        QCOMPARE(clearDialogButton(0).translated(dialog), QRectF(333, 247, 77, 26));
        QCOMPARE(clearDialogButton(1).translated(dialog), QRectF(426, 247, 77, 26));
    }

    void layerListOrderAndScrolling()
    {
        const QList<Layer> layers { layerAt("A", 2), layerAt("B", 0), layerAt("C", 5), layerAt("D", 2) };
        QStringList names;
        for (const Layer& layer : layersTopFirst(layers))
            names.append(layer.name);
        QCOMPARE(names, QStringList({ "C", "D", "A", "B" })); // D drawn above A, its equal

        // n rows of 6.5 with 6.5 between them in an 81-point window.
        const std::pair<qsizetype, double> ranges[] = { { 0, 0 }, { 1, 0 }, { 3, 0 }, { 7, 3.5 }, { 12, 68.5 } };
        for (const auto& [count, range] : ranges)
            QCOMPARE(maxLayerScroll(count), range);
        QCOMPARE((QList<double> { wheelScrolledOffset(0, -13, 12), wheelScrolledOffset(60, -13, 12),
                     wheelScrolledOffset(5, 13, 12), wheelScrolledOffset(0, -13, 3) }),
            (QList<double> { 13, 68.5, 0, 0 }));

        // The thumb's travel 91 - 8.07 - 10 = 72.93 spans the list, 39 to 120.
        QCOMPARE(layerThumbRect(0, 12).topLeft(), QPointF(63, 39));
        QCOMPARE(std::round(layerThumbRect(68.5, 12).bottom() * 1000) / 1000, 120.0);
        QCOMPARE(thumbDragBase(34.25, 12), 72.93 / 2);
        QCOMPARE(thumbDraggedOffset(72.93 / 2, 72.93 / 2, 12), 68.5);
        QCOMPARE(thumbDraggedOffset(10, -100, 12), 0.0);
        QCOMPARE(thumbDraggedOffset(10, 30, 3), 0.0);

        // Rows are hit within half a gap above and below them; the last is on the scrollbar.
        QCOMPARE(
            (QList<int> { layerRowAt({ 30, 42 }, 0, 4), layerRowAt({ 30, 48 }, 0, 4), layerRowAt({ 30, 49 }, 0, 4),
                layerRowAt({ 30, 42 }, 13, 4), layerRowAt({ 30, 42 + 4 * 13 }, 0, 4), layerRowAt({ 70, 42 }, 0, 4) }),
            (QList<int> { 0, 0, 1, 1, -1, -1 }));
    }

    void suggestedFileNames()
    {
        const QDateTime late(QDate(2026, 12, 6), QTime(20, 54, 38, 999), Qt::UTC);
        QCOMPARE(CanvasExport::suggestedFileName(late), QString("Scrapwick_Canvas_1796590478.png"));
        QCOMPARE(
            CanvasExport::suggestedFileName(late.toOffsetFromUtc(7200)), QString("Scrapwick_Canvas_1796590478.png"));
    }

    // A 100 x 50 layer: bounds grown by 8 on each side, three pixels a point.
    // The written picture's size and place are the end-to-end download's and
    // CanvasRenderingTest's; here a PNG is asked for, a write that fails says
    // where and why, and a cancelled panel writes nothing.
    void downloadAsksForAPngAndSaysWhatFailed()
    {
        Stores stores;
        QTemporaryDir folder;
        Log::ScopedCapture log;
        addHundredByFifty(stores, { 300, 200 });
        const auto saveAs = [&](std::optional<QString> path) {
            stores.exporter.download();
            QVERIFY(QTest::qWaitFor([&] { return stores.platform.filePanels.hasPendingSave(); }));
            stores.platform.filePanels.answerSave(std::move(path));
        };
        saveAs(folder.filePath("missing/board.png"));
        QCOMPARE(stores.platform.filePanels.lastSaveRequest.mimeTypeFilters, QStringList { "image/png" });
        QVERIFY2(log.lines().size() == 1
                && log.lines()[0].startsWith("[Export] Failed to save " + folder.filePath("missing/board.png") + ": "),
            qPrintable(log.lines().join('\n')));
        saveAs(std::nullopt);
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(QDir(folder.path()).isEmpty());
    }

    void saveToCollagesAddsTheCollageThenToasts()
    {
        Stores stores;
        Log::ScopedCapture log;
        stores.exporter.saveToCollages();
        stores.exporter.download();
        QCOMPARE(log.lines(), QStringList({ "[Gallery] render failed", "[Export] render failed" }));
        QVERIFY(!stores.platform.filePanels.hasPendingSave());

        addHundredByFifty(stores, { 100, 100 });
        stores.gallery.addCollage({ QUuid::createUuid(), solidPng(5, 5), QDateTime::currentDateTime() });
        stores.exporter.saveToCollages();
        QCOMPARE(stores.gallery.collages().size(), 1); // not before the render is back
        QVERIFY(QTest::qWaitFor([&] { return !stores.toasts.isEmpty(); }));
        QCOMPARE(stores.toasts, QStringList { "Saved to Collages!" });
        QCOMPARE(stores.collagesAtToast, QList<qsizetype> { 2 });
        QCOMPARE(QImage::fromData(*stores.gallery.collages().first().imageData).size(), QSize(348, 198));
        QCOMPARE(log.lines().size(), 2);
    }
};

QTEST_MAIN(MoodBoardControlsTest)
#include "MoodBoardControlsTest.moc"
