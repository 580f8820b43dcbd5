#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/Log.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <functional>
#include <limits>

namespace {
// "name:zIndex@x,y" of each layer, in list order.
QString describe(const QList<Layer>& layers)
{
    QStringList parts;
    for (const Layer& l : layers)
        parts.append(QStringLiteral("%1:%2@%3,%4").arg(l.name).arg(l.zIndex).arg(l.position.x()).arg(l.position.y()));
    return parts.join(QLatin1Char(' '));
}

auto fieldsOf(const Layer& l)
{
    return std::tuple(l.id, l.clipItemId, l.imageData, l.name, l.position.x(), l.position.y(), l.width, l.height,
        l.rotation, l.flipHorizontal, l.flipVertical, l.zIndex);
}

// One layer of a canvas file as an earlier run left it: at (0, 0), 30 high, unturned.
QString layerJson(const QString& id, const QString& name, double width, qint64 zIndex)
{
    return QStringLiteral(R"({"id": "%1", "clipItemId": "%1", "name": "%2", "positionX": 0, "positionY": 0,
        "width": %3, "height": 30, "rotation": 0, "flipHorizontal": false, "flipVertical": false, "zIndex": %4})")
        .arg(id, name, QString::number(width, 'g', 17), QString::number(zIndex));
}

// A canvas file as an earlier run (or a damaged disk) left it: one valid layer,
// one piece of its text replaced.
QString recordWith(const char* from = "", const char* to = "")
{
    return QStringLiteral(R"({"nextLayerNumber": 4, "layers": [%1]})")
        .arg(layerJson(QStringLiteral("6B29FC40-CA47-1067-B31D-00DD010662DA"), QStringLiteral("Layer 3"), 80, 2)
                 .replace(QString::fromLatin1(from), QString::fromLatin1(to)));
}
} // namespace

// The mood board's model as the mood board and the gallery drive it: placement,
// editing, stacking, history, and the canvas on disk.
class CanvasStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GalleryStore> m_gallery;
    std::unique_ptr<CanvasStore> m_store;

    static QVariantMap itemOf(QVariant bytes, QVariant id) { return { { "imageData", bytes }, { "clipItemId", id } }; }
    static QVariantMap payloadOf(const QVariantList& items) { return { { "items", items } }; }
    QString root() const { return m_dir->path(); }
    QString recordPath() const { return root() + QStringLiteral("/canvas.json"); }
    QString layerFile(const QUuid& id) const { return pngIn(root() + QStringLiteral("/canvas-layers"), id); }
    CanvasStore& canvas() { return *m_store; }

    // Another store on the same folder, as after a restart.
    CanvasStore& reopen()
    {
        m_store.reset(); // finishes its writes first
        m_store = std::make_unique<CanvasStore>(*m_gallery, root());
        return *m_store;
    }

    // A canvas file as an earlier run left it, with a small image for each layer:
    // all at (0, 0), 40 x 30 unless given a width, named by their place in the list.
    QList<QUuid> writeCanvas(const QList<qint64>& zIndices, const QList<double>& widths = {}, qint64 next = 10)
    {
        m_store.reset(); // finishes its writes first
        QList<QUuid> ids;
        QStringList layers;
        for (qsizetype i = 0; i < zIndices.size(); ++i) {
            const QString id = upperId(ids.emplaceBack(QUuid::createUuid()));
            layers.append(layerJson(id, QString::number(i), widths.value(i, 40), zIndices[i]));
            writeFile(layerFile(ids.last()), solidPng(4, 4));
        }
        writeFile(recordPath(),
            QStringLiteral(R"({"nextLayerNumber": %1, "layers": [%2]})").arg(next).arg(layers.join(',')).toUtf8());
        return ids;
    }

    QJsonArray writtenLayers()
    {
        m_store->waitForPendingWrites();
        return QJsonDocument::fromJson(readFile(recordPath())).object().value(QStringLiteral("layers")).toArray();
    }

private slots:
    void init()
    {
        m_store.reset();
        m_gallery.reset();
        m_dir = std::make_unique<QTemporaryDir>();
        m_gallery = std::make_unique<GalleryStore>(root());
        reopen();
    }

    void newLayersFitTheVisibleArea()
    {
        const auto fitted = [&](QSizeF area, int width, int height) {
            canvas().setContentArea(area);
            canvas().addLayer(QUuid::createUuid(), solidPng(width, height), { 7, 9 }, false);
            const Layer& layer = canvas().layers().last();
            return layer.position == QPointF(7, 9) ? QSizeF(layer.width, layer.height) : QSizeF();
        };
        // The limit is 0.8 of the smaller side: 249.6 for 518 x 312, 400 for 500 x 500. (Too wide:
        // importedPicturesGoFromTheDropPointAsOneStep.)
        QCOMPARE(fitted({ 518, 312 }, 300, 1000), QSizeF(74.88, 249.6));
        QCOMPARE(fitted({ 518, 312 }, 400, 300), QSizeF(200, 150)); // small: kept at half size
        QCOMPARE(fitted({ 500, 500 }, 800, 300), QSizeF(400, 150)); // a side equal to the limit
    }

    // Gallery items go from the drop origin a stagger step apart as one undo
    // step. What cannot be used (the usable items come last) takes no number,
    // no staggered place and no step, nor does a drop at a chosen place.
    void payloadLayersAreStaggeredSkipWhatCannotBeUsedAndClear()
    {
        canvas().setDropOrigin({ 100, 100 });
        const QByteArray png = solidPng(10, 10);
        const QString good = upperId(QUuid::createUuid());
        const auto mixed = canvas().addLayersFromPayload(
            payloadOf({ itemOf(png, QStringLiteral("abc")), itemOf(QByteArray("GIF89a?"), good),
                itemOf(png.left(png.size() / 2), good), itemOf(png, QStringLiteral("{") + good + QStringLiteral("}")),
                itemOf(png, QVariant::fromValue(QUuid::createUuid())), QVariantMap {},
                itemOf(QString::fromLatin1(png.toBase64()), good), itemOf(png, good.toLower()), itemOf(png, good),
                itemOf(png, good) }));
        QVERIFY(mixed.added == 3 && mixed.skipped == 7 && canvas().undoStack().size() == 1);
        QCOMPARE(canvas().addLayer(QUuid::createUuid(), "hello", {}, true),
            std::optional<QString>(QStringLiteral("图片数据无效")));
        QVERIFY(!canvas().addLayer(QUuid::createUuid(), png, { 5, 5 }, false));
        canvas().addLayersFromPayload(payloadOf({ itemOf(png, good) }));
        QCOMPARE(canvas().addLayersFromPayload({}).skipped, 0); // no list of items: not even an undo step
        QCOMPARE(describe(canvas().layers()),
            QStringLiteral("Layer 1:0@100,100 Layer 2:1@120,120 Layer 3:2@140,140 Layer 4:3@5,5 Layer 5:4@160,160"));
        QVERIFY(upperId(canvas().layers()[0].clipItemId) == good && canvas().undoStack().size() == 2);

        const QUuid id = canvas().layers().first().id;
        canvas().setSelectedLayerId(id);
        canvas().clearCanvas();
        QVERIFY(canvas().layers().isEmpty() && canvas().undoStack().isEmpty() && !canvas().selectedLayerId()
            && canvas().nextLayerNumber() == 1 && canvas().nextStaggerCount() == 0);
        canvas().waitForPendingWrites();
        QVERIFY(!QFile::exists(layerFile(id)));
    }

    // Pictures dropped or pasted: from the drop point on, fitted from their
    // header's size; what is not a picture takes no place.
    void importedPicturesGoFromTheDropPointAsOneStep()
    {
        canvas().setDropOrigin({ 100, 100 });
        const QUuid a = QUuid::createUuid(), b = QUuid::createUuid();
        const auto result = canvas().addLayersAt(
            { { a, solidPng(40, 40) }, { b, "not a picture" }, { b, solidPng(1000, 200) }, { a, solidPng(2, 2) } },
            { 50, 60 });
        QVERIFY(result.added == 3 && result.skipped == 1);
        QCOMPARE(describe(canvas().layers()), QStringLiteral("Layer 1:0@50,60 Layer 2:1@70,80 Layer 3:2@90,100"));
        // 1000 x 200 is 500 x 100 points, over the limit of 249.6 for the 518 x 312 area.
        const Layer& wide = canvas().layers()[1];
        QCOMPARE(wide.clipItemId, b);
        QCOMPARE(QSizeF(wide.width, wide.height), QSizeF(249.6, 49.92));
        QVERIFY(canvas().undoStack().size() == 1 && canvas().nextStaggerCount() == 0);

        QCOMPARE(canvas().addLayersAt({ { a, "GIF89a?" } }, { 0, 0 }).skipped, 1);
        QCOMPARE(canvas().addLayersAt({ { a, solidPng(2, 2) } }, { qInf(), 0 }).added, 0);
        QCOMPARE(canvas().addLayersAt({}, { 0, 0 }).added, 0);
        QCOMPARE(canvas().undoStack().size(), 1);
    }

    void editsNeedASelectionRefuseUnusableGeometryAndKeepFiveSteps()
    {
        canvas().addLayer(QUuid::createUuid(), solidPng(10, 10), {}, false);
        const Layer added = canvas().layers().first();
        const QUuid id = added.id;
        canvas().setSelectedLayerId(id);
        canvas().commitMove(id, { qInf(), 0 });
        canvas().commitTransform(id, { 0, 0 }, qQNaN(), 1);
        canvas().commitRotation(id, qQNaN());
        canvas().rotateSelectedLayer(qInf());
        canvas().setSelectedLayerId(QUuid::createUuid()); // names no layer
        canvas().rotateSelectedLayer(90);
        canvas().flipSelectedLayerHorizontally();
        canvas().duplicateSelectedLayer();
        canvas().bringSelectedLayerForward();
        canvas().sendSelectedLayerToBack();
        QVERIFY(canvas().undoStack().isEmpty() && canvas().layers().size() == 1
            && fieldsOf(canvas().layers().first()) == fieldsOf(added));

        canvas().setSelectedLayerId(id);
        QList<double> seen;
        for (int i = 0; i < 12; ++i) {
            i < 6 ? canvas().rotateSelectedLayer(-90) : canvas().undo();
            seen.append(canvas().layers().first().rotation);
        }
        // The remainder keeps its sign; five steps are kept, so the sixth undo does nothing.
        QCOMPARE(seen, (QList<double> { -90, -180, -270, 0, -90, -180, -90, 0, -270, -180, -90, -90 }));
        canvas().redo();
        canvas().redo();
        canvas().setSelectedLayerId(id); // undo and redo let go of the selection
        canvas().flipSelectedLayerVertically(); // makes the undone steps unreachable
        canvas().redo();
        QCOMPARE(canvas().layers().first().rotation, -270.0);
        canvas().commitTransform(id, { 3, 4 }, 30, 200000); // 100000 is the most the canvas file takes back
        canvas().commitRotation(id, 33.3);
        const Layer& layer = canvas().layers().first();
        QVERIFY(layer.position == QPointF(3, 4) && layer.width == 30 && layer.height == 100000 && layer.rotation == 33.3
            && layer.flipVertical);
        // Deleting the selected layer clears the selection.
        canvas().deleteLayer(id);
        QVERIFY(!canvas().selectedLayerId().has_value());
    }

    void stackingOrder()
    {
        // Layers named by their place in the file, one of them selected and moved: the layers
        // afterwards (a change renumbers them from 0 up) and the undo steps recorded.
        const auto moved = [&](const QList<qint64>& zIndices, int selected, void (CanvasStore::*move)()) {
            writeCanvas(zIndices);
            CanvasStore& store = reopen();
            store.setSelectedLayerId(store.layers().at(selected).id);
            (store.*move)();
            return QStringLiteral("%1 (%2)").arg(describe(store.layers())).arg(store.undoStack().size());
        };
        const qint64 top = std::numeric_limits<qint64>::max(), bottom = std::numeric_limits<qint64>::min();
        // Forward and backward swap with the first of several equals.
        QCOMPARE(moved({ 0, 5, 5 }, 0, &CanvasStore::bringSelectedLayerForward), "1:0@0,0 0:1@0,0 2:2@0,0 (1)");
        QCOMPARE(moved({ 3, 3, 7 }, 2, &CanvasStore::sendSelectedLayerBackward), "1:0@0,0 2:1@0,0 0:2@0,0 (1)");
        QCOMPARE(moved({ 0, 2, 2 }, 1, &CanvasStore::bringSelectedLayerToFront), "0:0@0,0 1:2@0,0 2:2@0,0 (0)");
        QCOMPARE(moved({ -4, 9, 30 }, 1, &CanvasStore::sendSelectedLayerToBack), "1:0@0,0 0:1@0,0 2:2@0,0 (1)");
        QCOMPARE(moved({ 0, top, 5 }, 2, &CanvasStore::bringSelectedLayerToFront), "0:0@0,0 1:1@0,0 2:2@0,0 (1)");
        QCOMPARE(moved({ bottom, 0, 5 }, 1, &CanvasStore::sendSelectedLayerToBack), "1:0@0,0 0:1@0,0 2:2@0,0 (1)");
    }

    void duplicateGoesOnTopShiftedAndSelectedEvenAtTheLargestInteger()
    {
        // Numbers as an earlier run may have left them: adding above them renumbers instead of overflowing.
        const qint64 top = std::numeric_limits<qint64>::max();
        const QUuid id = writeCanvas({ top }, {}, top).first();
        CanvasStore& store = reopen();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        store.setSelectedLayerId(id);
        store.duplicateSelectedLayer();
        QCOMPARE(describe(store.layers()),
            QStringLiteral("0:0@0,0 Layer 9223372036854775807:1@0,0 Layer 9223372036854775807:2@15,15"));
        const Layer& copy = store.layers().last();
        QVERIFY(copy.id != id && copy.clipItemId == id && copy.imageData == solidPng(4, 4)
            && store.selectedLayerId() == copy.id && store.undoStack().size() == 1);
    }

    // The gallery item is gone too in every case, so only memory can help.
    void undoAndRedoTakeBytesFromMemoryBeforeTheDisk()
    {
        // An undo of a deletion, the file missing; a redo of an undone add whose file
        // is not written yet; an undo while a rewrite of the file is queued, the file stale.
        for (int change = 0; change < 3; ++change) {
            init();
            const QByteArray png = solidPng(20, 20, Qt::green);
            const QUuid clipId = QUuid::createUuid();
            m_gallery->addCutout(ClipItem { clipId, png, QDateTime::currentDateTimeUtc() });
            canvas().pushUndoSnapshot();
            QVERIFY(!canvas().addLayer(clipId, png, {}, false));
            const QUuid id = canvas().layers().first().id;
            canvas().setSelectedLayerId(id);
            const std::function<void()> changes[] = { [&] { canvas().deleteLayer(id); }, [&] { canvas().undo(); },
                [&] { canvas().rotateSelectedLayer(90); } };
            changes[change]();
            canvas().waitForPendingWrites();
            change == 2 ? void(writeFile(layerFile(id), solidPng(20, 20, Qt::gray)))
                        : void(QFile::remove(layerFile(id)));
            m_gallery->deleteCutout(clipId);
            m_gallery->waitForPendingWrites();

            change == 1 ? canvas().redo() : canvas().undo();
            QVERIFY(canvas().layers().size() == 1 && canvas().layers().first().imageData == png
                && canvas().layers().first().rotation == 0);
            canvas().waitForPendingWrites();
            QCOMPARE(readFile(layerFile(id)), png);
        }
    }

    // ---- the canvas on disk

    void roundTripThroughTheRecord()
    {
        canvas().setDropOrigin({ 0.1, 0.2 });
        for (int i = 0; i < 3; ++i)
            QVERIFY(!canvas().addLayer(QUuid::createUuid(), solidPng(30 + i, 20), {}, true));
        QVERIFY(!canvas().addLayer(QUuid::createUuid(), solidPng(9, 7, Qt::yellow), { 1.0 / 3, 2e-7 }, false));
        const QList<Layer> layers = canvas().layers();
        canvas().setSelectedLayerId(layers[0].id);
        canvas().rotateSelectedLayer(-90);
        canvas().flipSelectedLayerHorizontally();
        canvas().bringSelectedLayerToFront();
        canvas().setSelectedLayerId(layers[1].id);
        canvas().flipSelectedLayerVertically();
        canvas().commitRotation(layers[1].id, 33.3);
        canvas().commitTransform(layers[2].id, { -5.5, 1e-9 }, 0.7, 123.456789);
        canvas().deleteLayer(layers[3].id);
        canvas().waitForPendingWrites();

        // Images in files named by the layer ids.
        QCOMPARE(QDir(canvas().canvasLayersFolder()).entryList(QDir::Files).size(), 3);
        QCOMPARE(readFile(layerFile(layers[2].id)), layers[2].imageData);

        const QList<Layer> before = canvas().layers();
        CanvasStore& reopened = reopen();
        QCOMPARE(reopened.nextLayerNumber(), 5);
        QVERIFY(std::equal(before.begin(), before.end(), reopened.layers().begin(), reopened.layers().end(),
            [](const Layer& a, const Layer& b) { return fieldsOf(a) == fieldsOf(b); }));
    }

    void layersThatCannotBeUsedAreLeftOutAtLoad()
    {
        // Missing image file; too wide; exactly at the size limit; far too tall; fine.
        const QList<QUuid> ids = writeCanvas({ 0, 1, 2, 3, 4 }, { 10, 100000.5, 100000, -3e200, 10 });
        QVERIFY(QFile::remove(layerFile(ids[0])));
        Log::ScopedCapture log;
        CanvasStore& store = reopen();
        QCOMPARE(log.lines().size(), 3);
        QCOMPARE(describe(store.layers()), QStringLiteral("2:2@0,0 4:4@0,0"));
        store.commitMove(ids[4], { 1, 1 }); // the next write drops what was left out
        QCOMPARE(writtenLayers().size(), 2);
    }

    // Each row: the record, and whether it loads. A canvas that could not be read
    // stays until a change, then is kept beside the new one.
    void strictReading()
    {
        const std::pair<QString, bool> records[] = {
            { recordWith(), true },
            { recordWith("\"zIndex\"", "\"note\": 1, \"zIndex\""), true },
            { recordWith("\"flipVertical\": false,"), false },
            { recordWith("\"zIndex\": 2", "\"zIndex\": 2.5"), false },
            { recordWith("\"zIndex\": 2", "\"zIndex\": 9223372036854775808"), false }, // beyond 64 bits
            { recordWith("\"positionX\": 0", "\"positionX\": \"0\""), false },
            { recordWith("6B29FC40-CA47-1067-B31D-00DD010662DA", "../../etc/passwd.x"), false }, // a path as id
            { recordWith().left(100), false },
            { recordWith("\"width\": 80", "\"width\": 1e999"), false },
        };
        for (const auto& [record, loads] : records) {
            init();
            writeFile(
                layerFile(QUuid::fromString(QStringLiteral("6B29FC40-CA47-1067-B31D-00DD010662DA"))), solidPng(8, 6));
            writeFile(recordPath(), record.toUtf8());
            Log::ScopedCapture log;
            CanvasStore& store = reopen();
            QVERIFY2(log.lines().isEmpty(), qPrintable(record));
            QCOMPARE(describe(store.layers()), loads ? QStringLiteral("Layer 3:2@0,0") : QString());
            QCOMPARE(store.nextLayerNumber(), loads ? 4 : 1);
            if (loads)
                continue;
            QCOMPARE(readFile(recordPath()), record.toUtf8());
            QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
            QCOMPARE(writtenLayers().size(), 1);
            const QStringList kept
                = QDir(root()).entryList({ QStringLiteral("canvas.json.unreadable-*") }, QDir::Files);
            QVERIFY(kept.size() == 1 && readFile(root() + QLatin1Char('/') + kept[0]) == record.toUtf8());
            QCOMPARE(log.lines().size(), 1);
        }
    }
};

QTEST_GUILESS_MAIN(CanvasStoreTest)
#include "CanvasStoreTest.moc"
