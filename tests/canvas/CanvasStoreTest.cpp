#include "CanvasTestFiles.h"

#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/Log.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

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

QStringList namesOf(const QList<Layer>& layers)
{
    QStringList names;
    for (const Layer& layer : layers)
        names.append(layer.name);
    return names;
}

QList<qint64> zIndicesOf(const QList<Layer>& layers)
{
    QList<qint64> values;
    for (const Layer& layer : layers)
        values.append(layer.zIndex);
    return values;
}

QList<double> rotationsOf(const QList<Layer>& layers)
{
    QList<double> values;
    for (const Layer& layer : layers)
        values.append(layer.rotation);
    return values;
}
} // namespace

// Layer placement, editing, stacking and history, driven as the mood board and
// the gallery drive them.
class CanvasStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GalleryStore> m_gallery;
    std::unique_ptr<CanvasStore> m_store;

    QString root() const { return m_dir->path(); }

    // Another store on the same folder, as after a restart.
    CanvasStore& reopenedStore()
    {
        m_store->waitForPendingWrites();
        m_store.reset();
        m_store = std::make_unique<CanvasStore>(*m_gallery, root());
        return *m_store;
    }

    CanvasStore& freshStore()
    {
        m_store.reset();
        m_gallery.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        m_gallery = std::make_unique<GalleryStore>(root());
        m_store = std::make_unique<CanvasStore>(*m_gallery, root());
        return *m_store;
    }

    // Adds layers through the store and gives each its own zIndex by
    // reloading the folder with a hand-written record.
    CanvasStore& storeWithZIndices(const QList<qint64>& zIndices)
    {
        freshStore();
        QJsonArray entries;
        for (qsizetype i = 0; i < zIndices.size(); ++i) {
            const QUuid id = QUuid::createUuid();
            QJsonObject entry = layerEntry(id, 10.0 * double(i), 0, 40, 30, zIndices[i]);
            entry[QStringLiteral("name")] = QStringLiteral("L%1").arg(i);
            entries.append(entry);
            writeFile(layerFile(root(), id), solidPng(4, 4));
        }
        writeCanvasRecord(root(), 10, entries);
        return reopenedStore();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void cleanup()
    {
        if (m_store)
            m_store->waitForPendingWrites();
        m_store.reset();
        m_gallery.reset();
    }

    // ---- placement

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
        QTest::newRow("just under the limit") << QSizeF(518, 312) << QSize(499, 499) << QSizeF(249.5, 249.5);
        QTest::newRow("tiny image never enlarged") << QSizeF(500, 500) << QSize(2, 2) << QSizeF(1, 1);
    }

    void newLayersFitTheVisibleArea()
    {
        QFETCH(QSizeF, area);
        QFETCH(QSize, pixels);
        QFETCH(QSizeF, expected);
        CanvasStore& store = freshStore();
        store.setContentArea(area);
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(pixels.width(), pixels.height()), { 7, 9 }, false));
        QCOMPARE(store.layers().size(), 1);
        const Layer& layer = store.layers().first();
        QVERIFY(qAbs(layer.width - expected.width()) < 1e-9);
        QVERIFY(qAbs(layer.height - expected.height()) < 1e-9);
        QCOMPARE(layer.position, QPointF(7, 9));
        QCOMPARE(store.nextStaggerCount(), 0);
    }

    void payloadLayersAreStaggeredFromTheDropOrigin()
    {
        CanvasStore& store = freshStore();
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
        QCOMPARE(namesOf(layers),
            (QStringList { QStringLiteral("Layer 1"), QStringLiteral("Layer 2"), QStringLiteral("Layer 3"),
                QStringLiteral("Layer 4"), QStringLiteral("Layer 5") }));
        QCOMPARE(zIndicesOf(layers), (QList<qint64> { 0, 1, 2, 3, 4 }));
        QCOMPARE(layers[0].position, QPointF(100, 100));
        QCOMPARE(layers[1].position, QPointF(120, 120));
        QCOMPARE(layers[2].position, QPointF(140, 140));
        QCOMPARE(layers[3].position, QPointF(5, 5));
        QCOMPARE(layers[4].position, QPointF(160, 160));
        QCOMPARE(layers[0].clipItemId.toString(QUuid::WithoutBraces).toUpper(), clip);
        QVERIFY(!store.selectedLayerId().has_value());
    }

    void payloadItemsThatCannotBeUsedAreSkipped()
    {
        CanvasStore& store = freshStore();
        const QByteArray png = solidPng(10, 10);
        const QString good = upperId(QUuid::createUuid());
        const auto result
            = store.addLayersFromPayload(payloadOf({ itemOf(png, good), itemOf(png, QStringLiteral("abc")) }));
        QCOMPARE(result.added, 1);
        QCOMPARE(result.skipped, 1);

        QVariantMap bytesAsText = itemOf(png, good);
        bytesAsText[QStringLiteral("imageData")] = QString::fromLatin1(png.toBase64());
        QVariantMap idAsUuid = itemOf(png, good);
        idAsUuid[QStringLiteral("clipItemId")] = QVariant::fromValue(QUuid::createUuid());
        const auto mixed = store.addLayersFromPayload(payloadOf({ bytesAsText, itemOf("GIF89a?", good), idAsUuid,
            itemOf(png, QStringLiteral("{") + good + QStringLiteral("}")), QVariantMap {},
            itemOf(png, good.toLower()) }));
        QCOMPARE(mixed.added, 1);
        QCOMPARE(mixed.skipped, 5);
        QCOMPARE(store.layers().size(), 2);
        QCOMPARE(store.undoStack().size(), 2);
    }

    void payloadWithoutAListOfItemsChangesNothing_data()
    {
        QTest::addColumn<QVariantMap>("payload");
        QTest::newRow("empty") << QVariantMap {};
        QTest::newRow("items is a map") << QVariantMap { { QStringLiteral("items"), QVariantMap {} } };
        QTest::newRow("items holds text") << payloadOf({ QStringLiteral("x") });
        QTest::newRow("one entry is not a map")
            << payloadOf({ itemOf(solidPng(2, 2), upperId(QUuid::createUuid())), QVariant(3) });
    }

    void payloadWithoutAListOfItemsChangesNothing()
    {
        QFETCH(QVariantMap, payload);
        CanvasStore& store = freshStore();
        const auto result = store.addLayersFromPayload(payload);
        QCOMPARE(result.added, 0);
        QCOMPARE(result.skipped, 0);
        QVERIFY(store.layers().isEmpty());
        QVERIFY(store.undoStack().isEmpty());

        // An empty list, by contrast, still records a step.
        store.addLayersFromPayload(payloadOf({}));
        QCOMPARE(store.undoStack().size(), 1);
    }

    void bytesThatAreNotAnImageAreRefused()
    {
        CanvasStore& store = freshStore();
        QSignalSpy layersChanged(&store, &CanvasStore::layersChanged);
        QByteArray truncated = solidPng(30, 30);
        truncated.truncate(truncated.size() / 2);
        for (const QByteArray& bytes : { QByteArray(), QByteArray("hello"), truncated }) {
            const auto error = store.addLayer(QUuid::createUuid(), bytes, {}, true);
            QCOMPARE(error, std::optional<QString>(QStringLiteral("图片数据无效")));
        }
        QVERIFY(store.layers().isEmpty());
        QCOMPARE(store.nextLayerNumber(), 1);
        QCOMPARE(store.nextStaggerCount(), 0);
        QCOMPARE(layersChanged.size(), 0);
        store.waitForPendingWrites();
        QVERIFY(!QFile::exists(store.canvasJsonPath()));
    }

    // ---- editing

    void duplicateGoesOnTopShiftedAndSelected()
    {
        CanvasStore& store = freshStore();
        const QByteArray png = solidPng(60, 20);
        for (int i = 0; i < 3; ++i)
            QVERIFY(!store.addLayer(QUuid::createUuid(), png, { 50.0 + 100 * i, 50 }, false));
        const Layer original = store.layers().first();
        store.setSelectedLayerId(original.id);
        QSignalSpy selectionChanged(&store, &CanvasStore::selectedLayerIdChanged);

        store.duplicateSelectedLayer();
        QCOMPARE(store.layers().size(), 4);
        const Layer& copy = store.layers().last();
        QVERIFY(copy.id != original.id);
        QCOMPARE(copy.clipItemId, original.clipItemId);
        QCOMPARE(copy.position, QPointF(65, 65));
        QCOMPARE(copy.zIndex, 3);
        QCOMPARE(copy.name, QStringLiteral("Layer 4"));
        QCOMPARE(copy.width, original.width);
        QCOMPARE(copy.imageData, png);
        QCOMPARE(store.selectedLayerId(), std::optional<QUuid>(copy.id));
        QCOMPARE(selectionChanged.size(), 1);
        QCOMPARE(store.undoStack().size(), 1);
    }

    void rotationKeepsTheRemainderSign()
    {
        CanvasStore& store = freshStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(10, 10), {}, false));
        store.setSelectedLayerId(store.layers().first().id);
        QList<double> seen;
        for (int i = 0; i < 4; ++i) {
            store.rotateSelectedLayer(-90);
            seen.append(store.layers().first().rotation);
        }
        QCOMPARE(seen, (QList<double> { -90, -180, -270, 0 }));
        QVERIFY(std::signbit(seen.last()));

        store.commitRotation(store.layers().first().id, 270);
        store.rotateSelectedLayer(90);
        QCOMPARE(store.layers().first().rotation, 0.0);
        QVERIFY(!std::signbit(store.layers().first().rotation));
    }

    void editsOfNoSelectionDoNothing()
    {
        CanvasStore& store = freshStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(10, 10), {}, false));
        store.setSelectedLayerId(QUuid::createUuid()); // names no layer
        store.rotateSelectedLayer(90);
        store.flipSelectedLayerHorizontally();
        store.flipSelectedLayerVertically();
        store.duplicateSelectedLayer();
        store.bringSelectedLayerForward();
        store.sendSelectedLayerToBack();
        QVERIFY(store.undoStack().isEmpty());
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().rotation, 0.0);
    }

    void flipsToggleAndCommitsApplyToTheNamedLayer()
    {
        CanvasStore& store = freshStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(10, 10), {}, false));
        const QUuid id = store.layers().first().id;
        store.setSelectedLayerId(id);
        store.flipSelectedLayerHorizontally();
        store.flipSelectedLayerVertically();
        store.flipSelectedLayerVertically();
        QVERIFY(store.layers().first().flipHorizontal);
        QVERIFY(!store.layers().first().flipVertical);

        store.commitTransform(id, { 3, 4 }, 30, 200000);
        QCOMPARE(store.layers().first().position, QPointF(3, 4));
        QCOMPARE(store.layers().first().width, 30.0);
        QCOMPARE(store.layers().first().height, 100000.0); // the most the canvas file takes back
        store.commitMove(id, { 8, 9 });
        QCOMPARE(store.layers().first().position, QPointF(8, 9));
        QCOMPARE(store.undoStack().size(), 5);

        // A commit for a layer that is gone still records a step; a commit of
        // unusable geometry is refused outright.
        QSignalSpy history(&store, &CanvasStore::historyChanged);
        QSignalSpy layersChanged(&store, &CanvasStore::layersChanged);
        store.commitMove(QUuid::createUuid(), { 1, 1 });
        QCOMPARE(history.size(), 1);
        QCOMPARE(layersChanged.size(), 0);
        store.commitMove(id, { qInf(), 0 });
        store.commitTransform(id, { 0, 0 }, qQNaN(), 1);
        store.commitRotation(id, qQNaN());
        store.rotateSelectedLayer(qInf());
        QCOMPARE(history.size(), 1);
        QCOMPARE(layersChanged.size(), 0);
        QCOMPARE(store.layers().first().position, QPointF(8, 9));
    }

    // ---- stacking order

    void stackingOrder_data()
    {
        QTest::addColumn<QList<qint64>>("zIndices");
        QTest::addColumn<int>("selected");
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("expectedOrder");
        QTest::addColumn<bool>("changes");
        const auto order = [](const char* names) { return QString::fromLatin1(names).split(QLatin1Char(' ')); };

        QTest::newRow("forward swaps with the first of equals")
            << QList<qint64> { 0, 5, 5 } << 0 << "forward" << order("L1 L0 L2") << true;
        QTest::newRow("forward of the top")
            << QList<qint64> { 0, 1, 2 } << 2 << "forward" << order("L0 L1 L2") << false;
        QTest::newRow("backward") << QList<qint64> { 0, 1, 2 } << 2 << "backward" << order("L0 L2 L1") << true;
        QTest::newRow("backward swaps with the first of equals")
            << QList<qint64> { 3, 3, 7 } << 2 << "backward" << order("L1 L2 L0") << true;
        QTest::newRow("backward of the bottom")
            << QList<qint64> { 0, 1, 2 } << 0 << "backward" << order("L0 L1 L2") << false;
        QTest::newRow("to front") << QList<qint64> { 0, 1, 2 } << 0 << "front" << order("L1 L2 L0") << true;
        QTest::newRow("to front of the top") << QList<qint64> { 0, 1, 2 } << 2 << "front" << order("L0 L1 L2") << false;
        QTest::newRow("to front when tied at the top")
            << QList<qint64> { 0, 2, 2 } << 1 << "front" << order("L0 L1 L2") << false;
        QTest::newRow("to back") << QList<qint64> { 0, 1, 2 } << 2 << "back" << order("L2 L0 L1") << true;
        QTest::newRow("to back with gaps") << QList<qint64> { -4, 9, 30 } << 1 << "back" << order("L1 L0 L2") << true;
        QTest::newRow("to back of the bottom")
            << QList<qint64> { 0, 1, 2 } << 0 << "back" << order("L0 L1 L2") << false;
        const qint64 top = std::numeric_limits<qint64>::max();
        const qint64 bottom = std::numeric_limits<qint64>::min();
        QTest::newRow("to front below the largest integer")
            << QList<qint64> { 0, top, 5 } << 2 << "front" << order("L0 L1 L2") << true;
        QTest::newRow("to back above the smallest integer")
            << QList<qint64> { bottom, 0, 5 } << 1 << "back" << order("L1 L0 L2") << true;
    }

    void stackingOrder()
    {
        QFETCH(QList<qint64>, zIndices);
        QFETCH(int, selected);
        QFETCH(QString, operation);
        QFETCH(QStringList, expectedOrder);
        QFETCH(bool, changes);

        CanvasStore& store = storeWithZIndices(zIndices);
        QCOMPARE(store.layers().size(), zIndices.size());
        const QUuid selectedId = store.layers().at(selected).id;
        store.setSelectedLayerId(selectedId);
        QSignalSpy layersChanged(&store, &CanvasStore::layersChanged);

        if (operation == QLatin1String("forward"))
            store.bringSelectedLayerForward();
        else if (operation == QLatin1String("backward"))
            store.sendSelectedLayerBackward();
        else if (operation == QLatin1String("front"))
            store.bringSelectedLayerToFront();
        else
            store.sendSelectedLayerToBack();

        QCOMPARE(store.undoStack().size(), changes ? 1 : 0);
        QCOMPARE(layersChanged.size(), changes ? 1 : 0);
        QCOMPARE(store.selectedLayerId(), std::optional<QUuid>(selectedId));
        if (changes) {
            QCOMPARE(namesOf(store.layers()), expectedOrder);
            QCOMPARE(zIndicesOf(store.layers()), (QList<qint64> { 0, 1, 2 }));
        } else {
            QCOMPARE(zIndicesOf(store.layers()), zIndices);
            // Nothing changed, so nothing was written: the hand-made record stays.
            store.waitForPendingWrites();
            QVERIFY(readFile(store.canvasJsonPath()).contains("\"L0\""));
        }
    }

    void addingAboveTheLargestIntegerRenumbersInsteadOfOverflowing()
    {
        freshStore();
        const QUuid id = QUuid::createUuid();
        writeFile(layerFile(root(), id), solidPng(4, 4));
        writeFile(root() + QStringLiteral("/canvas.json"),
            QStringLiteral(R"({"nextLayerNumber": 9223372036854775807, "layers": [
                {"id": "%1", "clipItemId": "%1", "name": "Top", "positionX": 0, "positionY": 0,
                 "width": 10, "height": 10, "rotation": 0, "flipHorizontal": false, "flipVertical": false,
                 "zIndex": 9223372036854775807}]})")
                .arg(upperId(id))
                .toUtf8());
        CanvasStore& store = reopenedStore();
        QCOMPARE(store.layers().size(), 1);

        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        store.setSelectedLayerId(store.layers().first().id);
        store.duplicateSelectedLayer();
        QCOMPARE(namesOf(store.layers()),
            (QStringList { QStringLiteral("Top"), QStringLiteral("Layer 9223372036854775807"),
                QStringLiteral("Layer 9223372036854775807") }));
        QCOMPARE(zIndicesOf(store.layers()), (QList<qint64> { 0, 1, 2 }));
        QCOMPARE(store.nextLayerNumber(), std::numeric_limits<qint64>::max());
    }

    // ---- history

    void historyKeepsFiveSteps()
    {
        CanvasStore& store = freshStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(10, 10), {}, false));
        store.setSelectedLayerId(store.layers().first().id);
        for (int i = 0; i < 6; ++i)
            store.rotateSelectedLayer(10);
        QCOMPARE(store.undoStack().size(), 5);

        QList<double> afterEachUndo;
        for (int i = 0; i < 6; ++i) {
            store.undo();
            afterEachUndo.append(store.layers().first().rotation);
        }
        // The first change (0 -> 10) fell off the stack; the sixth undo does nothing.
        QCOMPARE(afterEachUndo, (QList<double> { 50, 40, 30, 20, 10, 10 }));
        QVERIFY(store.undoStack().isEmpty());
        QCOMPARE(store.redoStack().size(), 5);
        QVERIFY(!store.selectedLayerId().has_value());

        store.redo();
        store.redo();
        QCOMPARE(rotationsOf(store.layers()), QList<double> { 30 });
        QCOMPARE(store.redoStack().size(), 3);
        QCOMPARE(store.undoStack().size(), 2);

        // A new change makes the undone steps unreachable.
        store.setSelectedLayerId(store.layers().first().id);
        store.flipSelectedLayerHorizontally();
        QVERIFY(store.redoStack().isEmpty());
        store.redo();
        QVERIFY(store.layers().first().flipHorizontal);
    }

    void undoRestoresOnlyLayers()
    {
        CanvasStore& store = freshStore();
        store.setDropOrigin({ 0, 0 });
        store.pushUndoSnapshot();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(10, 10), {}, true));
        const QUuid added = store.layers().first().id;
        store.undo();
        QVERIFY(store.layers().isEmpty());
        QCOMPARE(store.nextLayerNumber(), 2);
        QCOMPARE(store.nextStaggerCount(), 1);
        store.waitForPendingWrites();
        // Undo removes no files; redo finds the layer's image there.
        QVERIFY(QFile::exists(layerFile(root(), added)));
        store.redo();
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().id, added);
    }

    void clearingForgetsEverything()
    {
        CanvasStore& store = freshStore();
        store.clearCanvas(); // an empty canvas: nothing happens at all
        store.pushUndoSnapshot();
        store.clearCanvas();
        QCOMPARE(store.undoStack().size(), 1);

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
        store.undo();
        QVERIFY(store.layers().isEmpty());
    }

    void undoTakesImagesFromTheGalleryWhenTheLayerFileIsGone()
    {
        CanvasStore& store = freshStore();
        const QByteArray galleryPng = solidPng(20, 20, Qt::blue);
        const QUuid clipId = QUuid::createUuid();
        m_gallery->addCutout(ClipItem { clipId, galleryPng, QDateTime::currentDateTimeUtc() });
        store.pushUndoSnapshot();
        QVERIFY(!store.addLayer(clipId, solidPng(20, 20, Qt::green), {}, false));
        const QUuid id = store.layers().first().id;
        store.undo();
        store.waitForPendingWrites();
        QVERIFY(QFile::remove(layerFile(root(), id)));

        store.redo();
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().imageData, galleryPng);

        // With the file and the gallery item both gone there is nothing to show.
        store.undo();
        store.waitForPendingWrites();
        QVERIFY(QFile::remove(layerFile(root(), id)));
        m_gallery->deleteCutout(clipId);
        m_gallery->waitForPendingWrites();
        QVERIFY(!m_gallery->imageDataFor(clipId).has_value());
        store.redo();
        QVERIFY(store.layers().isEmpty());
    }

    void undoOfADeletionBringsTheLayerBackFromMemory()
    {
        CanvasStore& store = freshStore();
        const QByteArray png = solidPng(20, 20, Qt::green);
        const QUuid clipId = QUuid::createUuid();
        m_gallery->addCutout(ClipItem { clipId, png, QDateTime::currentDateTimeUtc() });
        store.addLayersFromPayload(payloadOf({ itemOf(png, upperId(clipId)) }));
        const Layer layer = store.layers().first();

        m_gallery->deleteCutout(clipId);
        m_gallery->waitForPendingWrites();
        QVERIFY(!m_gallery->imageDataFor(clipId).has_value());
        store.deleteLayer(layer.id);
        store.waitForPendingWrites();
        QVERIFY(!QFile::exists(layerFile(root(), layer.id)));

        store.undo();
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().id, layer.id);
        QCOMPARE(store.layers().first().imageData, png);
        store.waitForPendingWrites();
        QCOMPARE(readFile(layerFile(root(), layer.id)), png);
    }

    // ---- observation

    void viewsAreToldOfChanges()
    {
        CanvasStore& store = freshStore();
        QSignalSpy selection(&store, &CanvasStore::selectedLayerIdChanged);
        QSignalSpy panel(&store, &CanvasStore::showLayerPanelChanged);
        QSignalSpy history(&store, &CanvasStore::historyChanged);
        const QUuid id = QUuid::createUuid();
        store.setSelectedLayerId(id);
        store.setSelectedLayerId(id);
        store.setShowLayerPanel(true);
        store.setShowLayerPanel(true);
        QCOMPARE(selection.size(), 1);
        QCOMPARE(panel.size(), 1);
        store.deleteLayer(id); // clears the selection that named it
        QCOMPARE(selection.size(), 2);
        QCOMPARE(history.size(), 1);

        DragStatePublisher& drag = store.dragPublisher();
        QSignalSpy dragChanged(&drag, &DragStatePublisher::stateChanged);
        QVERIFY(!drag.state().has_value());
        const LayerDragState state { id, { 1, 2 }, 3, 4, 5 };
        drag.setState(state);
        drag.setState(state);
        LayerDragState nudged = state;
        nudged.position.rx() += 1e-13; // below QPointF's fuzzy comparison, still a change
        drag.setState(nudged);
        drag.setState(std::nullopt);
        QCOMPARE(dragChanged.size(), 3);
    }
};

QTEST_GUILESS_MAIN(CanvasStoreTest)
#include "CanvasStoreTest.moc"
