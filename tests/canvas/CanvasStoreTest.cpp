#include "CanvasTestFiles.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <array>
#include <limits>

namespace {
QVariantMap itemOf(const QByteArray& bytes, const QString& clipItemId)
{
    return { { QStringLiteral("imageData"), bytes }, { QStringLiteral("clipItemId"), clipItemId } };
}

QVariantMap payloadOf(const QVariantList& items)
{
    return { { QStringLiteral("items"), items } };
}

QString namesOf(const QList<Layer>& layers)
{
    QStringList names;
    for (const Layer& layer : layers)
        names.append(layer.name);
    return names.join(QLatin1Char(','));
}

constexpr int Forward = 0, Backward = 1, ToFront = 2, ToBack = 3; // the stacking moves

QList<qint64> zIndicesOf(const QList<Layer>& layers)
{
    QList<qint64> values;
    for (const Layer& layer : layers)
        values.append(layer.zIndex);
    return values;
}
} // namespace

// Layer placement, editing, stacking and history, driven as the mood board and
// the gallery drive them.
class CanvasStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CanvasFolder> m_folder;

    QString root() const { return m_folder->root(); }
    CanvasStore& canvas() { return *m_folder->store; }

    // Adds one layer and selects it.
    void addSelectedLayer()
    {
        QVERIFY(!canvas().addLayer(QUuid::createUuid(), solidPng(10, 10), {}, false));
        canvas().setSelectedLayerId(canvas().layers().first().id);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() { m_folder = std::make_unique<CanvasFolder>(); }
    void cleanup() { m_folder.reset(); }

    void newLayersFitTheVisibleArea_data()
    {
        QTest::addColumn<QSizeF>("area");
        QTest::addColumn<QSize>("pixels");
        QTest::addColumn<QSizeF>("expected");
        // The limit is 0.8 of the smaller side: 249.6 for 518 x 312, 400 for 500 x 500.
        QTest::newRow("wide image shrinks") << QSizeF(518, 312) << QSize(1000, 500) << QSizeF(249.6, 124.8);
        QTest::newRow("tall image shrinks") << QSizeF(518, 312) << QSize(300, 1000) << QSizeF(74.88, 249.6);
        QTest::newRow("small image kept at half size") << QSizeF(518, 312) << QSize(400, 300) << QSizeF(200, 150);
        QTest::newRow("side equal to the limit") << QSizeF(500, 500) << QSize(800, 300) << QSizeF(400, 150);
    }

    void newLayersFitTheVisibleArea()
    {
        QFETCH(QSizeF, area);
        QFETCH(QSize, pixels);
        QFETCH(QSizeF, expected);
        canvas().setContentArea(area);
        QVERIFY(!canvas().addLayer(QUuid::createUuid(), solidPng(pixels.width(), pixels.height()), { 7, 9 }, false));
        const Layer& layer = canvas().layers().first();
        QVERIFY(qAbs(layer.width - expected.width()) < 1e-9 && qAbs(layer.height - expected.height()) < 1e-9);
        QCOMPARE(layer.position, QPointF(7, 9));
    }

    void payloadLayersAreStaggeredFromTheDropOrigin()
    {
        CanvasStore& store = canvas();
        QSignalSpy layersChanged(&store, &CanvasStore::layersChanged);
        store.setDropOrigin({ 100, 100 });
        const QByteArray png = solidPng(40, 40);
        const QString clip = upperId(QUuid::createUuid());
        const auto result
            = store.addLayersFromPayload(payloadOf({ itemOf(png, clip), itemOf(png, clip), itemOf(png, clip) }));
        QCOMPARE(result.added, 3);
        QCOMPARE(result.skipped, 0);
        QCOMPARE(layersChanged.size(), 1);
        QCOMPARE(store.undoStack().size(), 1);

        // A drop at a chosen place does not use up a staggered place.
        QVERIFY(!store.addLayer(QUuid::createUuid(), png, { 5, 5 }, false));
        store.addLayersFromPayload(payloadOf({ itemOf(png, clip) }));
        const QList<Layer>& layers = store.layers();
        QCOMPARE(namesOf(layers), QStringLiteral("Layer 1,Layer 2,Layer 3,Layer 4,Layer 5"));
        QCOMPARE(zIndicesOf(layers), (QList<qint64> { 0, 1, 2, 3, 4 }));
        const QList<QPointF> expected { { 100, 100 }, { 120, 120 }, { 140, 140 }, { 5, 5 }, { 160, 160 } };
        for (qsizetype i = 0; i < layers.size(); ++i)
            QCOMPARE(layers[i].position, expected[i]);
        QCOMPARE(upperId(layers[0].clipItemId), clip);
    }

    void itemsThatCannotBeUsedAreSkippedWithoutLeavingATrace()
    {
        const QByteArray png = solidPng(10, 10);
        const QString good = upperId(QUuid::createUuid());
        const auto result
            = canvas().addLayersFromPayload(payloadOf({ itemOf(png, good), itemOf(png, QStringLiteral("abc")) }));
        QCOMPARE(result.added, 1);
        QCOMPARE(result.skipped, 1);

        QVariantMap bytesAsText = itemOf(png, good);
        bytesAsText[QStringLiteral("imageData")] = QString::fromLatin1(png.toBase64());
        QVariantMap idAsUuid = itemOf(png, good);
        idAsUuid[QStringLiteral("clipItemId")] = QVariant::fromValue(QUuid::createUuid());
        QByteArray truncated = png;
        truncated.truncate(png.size() / 2);
        QSignalSpy layersChanged(&canvas(), &CanvasStore::layersChanged);
        const auto mixed = canvas().addLayersFromPayload(payloadOf({ bytesAsText, itemOf("GIF89a?", good), idAsUuid,
            itemOf(png, QStringLiteral("{") + good + QStringLiteral("}")), QVariantMap {}, itemOf(truncated, good) }));
        QCOMPARE(mixed.added, 0);
        QCOMPARE(mixed.skipped, 6);
        QCOMPARE(canvas().addLayer(QUuid::createUuid(), "hello", {}, true),
            std::optional<QString>(QStringLiteral("图片数据无效")));
        QCOMPARE(layersChanged.size(), 0);
        QCOMPARE(canvas().layers().size(), 1);
        QCOMPARE(canvas().nextLayerNumber(), 2);
        QCOMPARE(canvas().nextStaggerCount(), 1);
        // A lower-case id is still an id. Without a list of items nothing happens
        // at all, not even an undo step.
        QCOMPARE(canvas().addLayersFromPayload(payloadOf({ itemOf(png, good.toLower()) })).added, 1);
        QCOMPARE(canvas().addLayersFromPayload({}).skipped, 0);
        QCOMPARE(canvas().undoStack().size(), 3);
    }

    void duplicateGoesOnTopShiftedAndSelected()
    {
        CanvasStore& store = canvas();
        const QByteArray png = solidPng(60, 20);
        for (int i = 0; i < 3; ++i)
            QVERIFY(!store.addLayer(QUuid::createUuid(), png, { 50.0 + 100 * i, 50 }, false));
        const Layer original = store.layers().first();
        store.setSelectedLayerId(original.id);
        store.duplicateSelectedLayer();
        const Layer& copy = store.layers().last();
        QVERIFY(copy.id != original.id);
        QCOMPARE(copy.clipItemId, original.clipItemId);
        QCOMPARE(copy.position, QPointF(65, 65));
        QCOMPARE(copy.zIndex, 3);
        QCOMPARE(copy.name, QStringLiteral("Layer 4"));
        QCOMPARE(copy.imageData, png);
        QCOMPARE(store.selectedLayerId(), std::optional<QUuid>(copy.id));
        QCOMPARE(store.undoStack().size(), 1);
    }

    void rotationKeepsTheRemainderSign()
    {
        addSelectedLayer();
        CanvasStore& store = canvas();
        QList<double> seen;
        for (int i = 0; i < 4; ++i) {
            store.rotateSelectedLayer(-90);
            seen.append(store.layers().first().rotation);
        }
        QCOMPARE(seen, (QList<double> { -90, -180, -270, 0 }));
    }

    void editsOfNoSelectionDoNothing()
    {
        addSelectedLayer();
        CanvasStore& store = canvas();
        store.setSelectedLayerId(QUuid::createUuid()); // names no layer
        store.rotateSelectedLayer(90);
        store.flipSelectedLayerHorizontally();
        store.duplicateSelectedLayer();
        store.bringSelectedLayerForward();
        store.sendSelectedLayerToBack();
        QVERIFY(store.undoStack().isEmpty());
        QCOMPARE(store.layers().size(), 1);
    }

    void commitsApplyToTheNamedLayerAndRefuseUnusableGeometry()
    {
        addSelectedLayer();
        CanvasStore& store = canvas();
        const QUuid id = store.layers().first().id;
        store.flipSelectedLayerVertically();
        store.commitTransform(id, { 3, 4 }, 30, 200000);
        QCOMPARE(store.layers().first().width, 30.0);
        QCOMPARE(store.layers().first().height, 100000.0); // the most the canvas file takes back
        store.commitRotation(id, 33.3);
        QCOMPARE(store.undoStack().size(), 3);

        // A commit for a layer that is gone still records a step; a commit of
        // unusable geometry is refused outright.
        QSignalSpy history(&store, &CanvasStore::historyChanged);
        QSignalSpy layersChanged(&store, &CanvasStore::layersChanged);
        store.commitMove(QUuid::createUuid(), { 1, 1 });
        QCOMPARE(history.size(), 1);
        store.commitMove(id, { qInf(), 0 });
        store.commitTransform(id, { 0, 0 }, qQNaN(), 1);
        store.commitRotation(id, qQNaN());
        store.rotateSelectedLayer(qInf());
        QCOMPARE(history.size(), 1);
        QCOMPARE(layersChanged.size(), 0);
        const Layer& layer = store.layers().first();
        QVERIFY(layer.position == QPointF(3, 4) && layer.rotation == 33.3 && layer.flipVertical);
    }

    void stackingOrder_data()
    {
        QTest::addColumn<QList<qint64>>("zIndices");
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("move");
        QTest::addColumn<QString>("expectedOrder"); // empty: nothing changes
        const qint64 top = std::numeric_limits<qint64>::max();
        const qint64 bottom = std::numeric_limits<qint64>::min();
        QTest::newRow("forward swaps with the first of equals") << QList<qint64> { 0, 5, 5 } << 0 << Forward << "1,0,2";
        QTest::newRow("forward of the top") << QList<qint64> { 0, 1, 2 } << 2 << Forward << "";
        QTest::newRow("backward swaps with the first of equals")
            << QList<qint64> { 3, 3, 7 } << 2 << Backward << "1,2,0";
        QTest::newRow("to front") << QList<qint64> { 0, 1, 2 } << 0 << ToFront << "1,2,0";
        QTest::newRow("to front when tied at the top") << QList<qint64> { 0, 2, 2 } << 1 << ToFront << "";
        QTest::newRow("to back with gaps") << QList<qint64> { -4, 9, 30 } << 1 << ToBack << "1,0,2";
        QTest::newRow("to back of the bottom") << QList<qint64> { 0, 1, 2 } << 0 << ToBack << "";
        QTest::newRow("to front below the largest integer") << QList<qint64> { 0, top, 5 } << 2 << ToFront << "0,1,2";
        QTest::newRow("to back above the smallest integer") << QList<qint64> { bottom, 0, 5 } << 1 << ToBack << "1,0,2";
    }

    void stackingOrder()
    {
        QFETCH(QList<qint64>, zIndices);
        QFETCH(int, selected);
        QFETCH(int, move);
        QFETCH(QString, expectedOrder);
        QList<QJsonObject> entries;
        for (qsizetype i = 0; i < zIndices.size(); ++i)
            entries.append(layerEntry(QUuid::createUuid(), 40, 30, zIndices[i], QString::number(i)));
        writeCanvas(root(), 10, entries);
        CanvasStore& store = m_folder->reopen();
        const QUuid selectedId = store.layers().at(selected).id;
        store.setSelectedLayerId(selectedId);
        QSignalSpy layersChanged(&store, &CanvasStore::layersChanged);
        const std::array moves { &CanvasStore::bringSelectedLayerForward, &CanvasStore::sendSelectedLayerBackward,
            &CanvasStore::bringSelectedLayerToFront, &CanvasStore::sendSelectedLayerToBack };
        (store.*moves.at(move))();

        const bool changes = !expectedOrder.isEmpty();
        QCOMPARE(store.undoStack().size(), changes ? 1 : 0);
        QCOMPARE(layersChanged.size(), changes ? 1 : 0);
        QCOMPARE(store.selectedLayerId(), std::optional<QUuid>(selectedId));
        QCOMPARE(namesOf(store.layers()), changes ? expectedOrder : QStringLiteral("0,1,2"));
        QCOMPARE(zIndicesOf(store.layers()), changes ? QList<qint64>({ 0, 1, 2 }) : zIndices);
    }

    void addingAboveTheLargestIntegerRenumbersInsteadOfOverflowing()
    {
        // Written by hand: a JSON double cannot hold the largest 64-bit integer.
        const QUuid id = QUuid::createUuid();
        writeFile(layerFile(root(), id), solidPng(4, 4));
        writeFile(root() + QStringLiteral("/canvas.json"),
            QStringLiteral(R"({"nextLayerNumber": 9223372036854775807, "layers": [
                {"id": "%1", "clipItemId": "%1", "name": "Top", "positionX": 0, "positionY": 0,
                 "width": 10, "height": 10, "rotation": 0, "flipHorizontal": false, "flipVertical": false,
                 "zIndex": 9223372036854775807}]})")
                .arg(upperId(id))
                .toUtf8());
        CanvasStore& store = m_folder->reopen();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        store.setSelectedLayerId(id);
        store.duplicateSelectedLayer();
        QCOMPARE(namesOf(store.layers()), QStringLiteral("Top,Layer 9223372036854775807,Layer 9223372036854775807"));
        QCOMPARE(zIndicesOf(store.layers()), (QList<qint64> { 0, 1, 2 }));
    }

    void historyKeepsFiveSteps()
    {
        addSelectedLayer();
        CanvasStore& store = canvas();
        for (int i = 0; i < 6; ++i)
            store.rotateSelectedLayer(10);
        QList<double> afterEachUndo;
        for (int i = 0; i < 6; ++i) {
            store.undo();
            afterEachUndo.append(store.layers().first().rotation);
        }
        // The first change (0 -> 10) fell off the stack; the sixth undo does nothing.
        QCOMPARE(afterEachUndo, (QList<double> { 50, 40, 30, 20, 10, 10 }));
        QCOMPARE(store.redoStack().size(), 5);

        store.redo();
        store.redo();
        QCOMPARE(store.layers().first().rotation, 30.0);
        // A new change makes the undone steps unreachable.
        store.setSelectedLayerId(store.layers().first().id);
        store.flipSelectedLayerHorizontally();
        QVERIFY(store.redoStack().isEmpty());
        store.redo();
        QCOMPARE(store.layers().first().rotation, 30.0);
    }

    void clearingForgetsEverything()
    {
        CanvasStore& store = canvas();
        store.setDropOrigin({ 10, 10 });
        store.addLayersFromPayload(payloadOf({ itemOf(solidPng(4, 4), upperId(QUuid::createUuid())) }));
        const QUuid id = store.layers().first().id;
        store.setSelectedLayerId(id);
        store.clearCanvas();
        QVERIFY(store.layers().isEmpty());
        QVERIFY(store.undoStack().isEmpty());
        QVERIFY(!store.selectedLayerId().has_value());
        QCOMPARE(store.nextLayerNumber(), 1);
        QCOMPARE(store.nextStaggerCount(), 0);
        store.waitForPendingWrites();
        QVERIFY(!QFile::exists(layerFile(root(), id)));
    }

    void undoAndRedoTakeBytesFromMemoryBeforeTheDisk_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<bool>("staleFile"); // else the file is missing
        // The gallery item is gone too in every case, so only memory can help.
        QTest::newRow("undo of a deletion") << 0 << false;
        QTest::newRow("redo of an undone add whose file is not written yet") << 1 << false;
        QTest::newRow("undo while a rewrite of the file is queued") << 2 << true;
    }

    void undoAndRedoTakeBytesFromMemoryBeforeTheDisk()
    {
        QFETCH(int, change);
        QFETCH(bool, staleFile);
        CanvasStore& store = canvas();
        const QByteArray png = solidPng(20, 20, Qt::green);
        const QUuid clipId = QUuid::createUuid();
        m_folder->gallery.addCutout(ClipItem { clipId, png, QDateTime::currentDateTimeUtc() });
        store.pushUndoSnapshot();
        QVERIFY(!store.addLayer(clipId, png, {}, false));
        const QUuid id = store.layers().first().id;
        store.setSelectedLayerId(id);
        if (change == 0)
            store.deleteLayer(id);
        else if (change == 1)
            store.undo();
        else
            store.rotateSelectedLayer(90);
        store.waitForPendingWrites();
        if (staleFile)
            writeFile(layerFile(root(), id), solidPng(20, 20, Qt::gray));
        else
            QFile::remove(layerFile(root(), id));
        m_folder->gallery.deleteCutout(clipId);
        m_folder->gallery.waitForPendingWrites();

        change == 1 ? store.redo() : store.undo();
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().imageData, png);
        QCOMPARE(store.layers().first().rotation, 0.0);
        store.waitForPendingWrites();
        QCOMPARE(readFile(layerFile(root(), id)), png);
    }

    void deletingTheSelectedLayerClearsTheSelection()
    {
        addSelectedLayer();
        CanvasStore& store = canvas();
        QSignalSpy selection(&store, &CanvasStore::selectedLayerIdChanged);
        store.deleteLayer(*store.selectedLayerId());
        QVERIFY(!store.selectedLayerId().has_value());
        QCOMPARE(selection.size(), 1);
    }
};

QTEST_GUILESS_MAIN(CanvasStoreTest)
#include "CanvasStoreTest.moc"
