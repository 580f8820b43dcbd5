#include "CanvasTestFiles.h"

#include "canvas/CanvasHistory.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/Log.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {
QVariantMap payloadOf(const QByteArray& bytes, const QUuid& clipItemId, int copies = 1)
{
    QVariantList items;
    for (int i = 0; i < copies; ++i)
        items.append(QVariantMap {
            { QStringLiteral("imageData"), bytes }, { QStringLiteral("clipItemId"), upperId(clipItemId) } });
    return { { QStringLiteral("items"), items } };
}

const QString validLayer = QStringLiteral(
    R"({"id": "6B29FC40-CA47-1067-B31D-00DD010662DA", "clipItemId": "7D444840-9DC0-11D1-B245-5FFDCE74FAD2",
        "name": "Layer 3", "positionX": 10.5, "positionY": -4, "width": 80, "height": 60, "rotation": -90,
        "flipHorizontal": true, "flipVertical": false, "zIndex": 2})");
const QUuid validLayerId = QUuid::fromString(QStringLiteral("6B29FC40-CA47-1067-B31D-00DD010662DA"));

QString recordWith(const QString& layer)
{
    return QStringLiteral(R"({"nextLayerNumber": 4, "layers": [%1]})").arg(layer);
}

QString replaced(QString text, const char* from, const char* to)
{
    return text.replace(QString::fromLatin1(from), QString::fromLatin1(to));
}
} // namespace

// The canvas on disk: the record's layout, strict reading, the write job's
// messages, and a full round trip through a second store.
class CanvasPersistenceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GalleryStore> m_gallery;
    std::unique_ptr<CanvasStore> m_store;

    QString root() const { return m_dir->path(); }
    QString recordPath() const { return root() + QStringLiteral("/canvas.json"); }

    CanvasStore& openStore()
    {
        if (m_store)
            m_store->waitForPendingWrites();
        m_store.reset();
        if (!m_gallery)
            m_gallery = std::make_unique<GalleryStore>(root());
        m_store = std::make_unique<CanvasStore>(*m_gallery, root());
        return *m_store;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() { m_dir = std::make_unique<QTemporaryDir>(); }

    void cleanup()
    {
        if (m_store)
            m_store->waitForPendingWrites();
        m_store.reset();
        m_gallery.reset();
        m_dir.reset();
    }

    void recordIsPrettyPrintedInItsKeyOrder()
    {
        CanvasStore& store = openStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(40, 20), { 12.25, -3 }, false));
        store.waitForPendingWrites();

        const QByteArray text = readFile(recordPath());
        QVERIFY(text.startsWith("{\n"));
        QVERIFY(text.contains("\n  \"layers\""));
        const QByteArrayList keys { "\"nextLayerNumber\"", "\"layers\"", "\"id\"", "\"clipItemId\"", "\"name\"",
            "\"positionX\"", "\"positionY\"", "\"width\"", "\"height\"", "\"rotation\"", "\"flipHorizontal\"",
            "\"flipVertical\"", "\"zIndex\"" };
        qsizetype previous = -1;
        for (const QByteArray& key : keys) {
            const qsizetype at = text.indexOf(key);
            QVERIFY2(at > previous, key.constData());
            previous = at;
        }

        const QJsonObject record = QJsonDocument::fromJson(text).object();
        QCOMPARE(record.value(QStringLiteral("nextLayerNumber")).toInteger(), 2);
        const QJsonObject entry = record.value(QStringLiteral("layers")).toArray().first().toObject();
        const Layer& layer = store.layers().first();
        QCOMPARE(entry.value(QStringLiteral("id")).toString(), upperId(layer.id));
        QCOMPARE(entry.value(QStringLiteral("clipItemId")).toString(), upperId(layer.clipItemId));
        QCOMPARE(entry.value(QStringLiteral("name")).toString(), QStringLiteral("Layer 1"));
        QCOMPARE(entry.value(QStringLiteral("positionX")).toDouble(), 12.25);
        QCOMPARE(entry.value(QStringLiteral("width")).toDouble(), 20.0);
        QCOMPARE(entry.value(QStringLiteral("flipVertical")).toBool(true), false);
        QCOMPARE(entry.size(), 11);
    }

    void layerFilesAreNamedByLayer()
    {
        CanvasStore& store = openStore();
        const QByteArray png = solidPng(16, 16, Qt::darkCyan);
        store.addLayersFromPayload(payloadOf(png, QUuid::createUuid(), 2));
        store.waitForPendingWrites();
        QStringList expected { upperId(store.layers()[0].id) + QStringLiteral(".png"),
            upperId(store.layers()[1].id) + QStringLiteral(".png") };
        expected.sort();
        QCOMPARE(QDir(store.canvasLayersFolder()).entryList(QDir::Files, QDir::Name), expected);
        QCOMPARE(readFile(layerFile(root(), store.layers()[0].id)), png);
        QCOMPARE(readFile(layerFile(root(), store.layers()[1].id)), png);
    }

    void roundTripThroughANewStore()
    {
        CanvasStore& store = openStore();
        store.setDropOrigin({ 0.1, 0.2 });
        store.addLayersFromPayload(payloadOf(quadrantPng(30), QUuid::createUuid(), 3));
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(9, 7, Qt::yellow), { 1.0 / 3, 2e-7 }, false));
        const QList<Layer>& layers = store.layers();
        store.setSelectedLayerId(layers[0].id);
        store.rotateSelectedLayer(-90);
        store.flipSelectedLayerHorizontally();
        store.bringSelectedLayerToFront();
        store.setSelectedLayerId(layers[1].id);
        store.flipSelectedLayerVertically();
        store.commitRotation(layers[1].id, 33.3);
        store.commitTransform(layers[2].id, { -5.5, 1e-9 }, 0.7, 123.456789);
        store.deleteLayer(layers[3].id);
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(3, 3), {}, true));

        const QList<Layer> before = store.layers();
        const qint64 nextLayerNumber = store.nextLayerNumber();
        QCOMPARE(nextLayerNumber, 6);
        CanvasStore& reopened = openStore();
        QCOMPARE(reopened.nextLayerNumber(), nextLayerNumber);
        QCOMPARE(reopened.layers().size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i) {
            const Layer& a = before[i];
            const Layer& b = reopened.layers()[i];
            QCOMPARE(b.id, a.id);
            QCOMPARE(b.clipItemId, a.clipItemId);
            QCOMPARE(b.imageData, a.imageData);
            QCOMPARE(b.name, a.name);
            QVERIFY(b.position.x() == a.position.x() && b.position.y() == a.position.y());
            QVERIFY(b.width == a.width && b.height == a.height && b.rotation == a.rotation);
            QCOMPARE(b.flipHorizontal, a.flipHorizontal);
            QCOMPARE(b.flipVertical, a.flipVertical);
            QCOMPARE(b.zIndex, a.zIndex);
        }
        QVERIFY(reopened.undoStack().isEmpty());
        QVERIFY(!reopened.selectedLayerId().has_value());
        QCOMPARE(reopened.nextStaggerCount(), 0);
    }

    void missingLayerFileLeavesOnlyThatLayerOut()
    {
        const QUuid missing = QUuid::createUuid();
        const QUuid present = QUuid::createUuid();
        writeFile(layerFile(root(), present), solidPng(5, 5));
        writeCanvasRecord(root(), 3, { layerEntry(missing, 0, 0, 10, 10, 0), layerEntry(present, 5, 5, 10, 10, 1) });

        Log::ScopedCapture log;
        CanvasStore& store = openStore();
        QCOMPARE(log.lines(),
            QStringList { QStringLiteral("[CanvasStore] Missing image file for layer ") + upperId(missing)
                + QStringLiteral(", skipping") });
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().id, present);
        QCOMPARE(store.nextLayerNumber(), 3);

        store.setSelectedLayerId(present);
        store.flipSelectedLayerVertically();
        store.waitForPendingWrites();
        const QByteArray text = readFile(recordPath());
        QVERIFY(!text.contains(upperId(missing).toLatin1()));
        QVERIFY(text.contains(upperId(present).toLatin1()));
    }

    void emptyRecordKeepsItsLayerNumber()
    {
        writeCanvasRecord(root(), 7, {});
        CanvasStore& store = openStore();
        QVERIFY(store.layers().isEmpty());
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(2, 2), {}, false));
        QCOMPARE(store.layers().first().name, QStringLiteral("Layer 7"));
    }

    void strictReading_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("loads");
        QTest::newRow("valid") << recordWith(validLayer) << true;
        QTest::newRow("extra key, lower-case ids") << recordWith(
            replaced(replaced(validLayer, "\"zIndex\"", "\"note\": 1, \"zIndex\""), "6B29FC40", "6b29fc40"))
                                                   << true;
        QTest::newRow("no flipVertical") << recordWith(replaced(validLayer, "\"flipVertical\": false,", "")) << false;
        QTest::newRow("fractional zIndex")
            << recordWith(replaced(validLayer, "\"zIndex\": 2", "\"zIndex\": 2.5")) << false;
        QTest::newRow("zIndex as text") << recordWith(replaced(validLayer, "\"zIndex\": 2", "\"zIndex\": \"2\""))
                                        << false;
        QTest::newRow("zIndex beyond 64 bits")
            << recordWith(replaced(validLayer, "\"zIndex\": 2", "\"zIndex\": 9223372036854775808")) << false;
        QTest::newRow("flip as number") << recordWith(replaced(validLayer, "\"flipHorizontal\": true",
            "\"flipHorizontal\": 1")) << false;
        QTest::newRow("position as text") << recordWith(replaced(validLayer, "10.5", "\"10.5\"")) << false;
        QTest::newRow("id that is a path")
            << recordWith(replaced(validLayer, "6B29FC40-CA47-1067-B31D-00DD010662DA", "../../../../../etc/passwd.x"))
            << false;
        QTest::newRow("null name") << recordWith(replaced(validLayer, "\"Layer 3\"", "null")) << false;
        QTest::newRow("no nextLayerNumber") << replaced(recordWith(validLayer), "\"nextLayerNumber\": 4,", "") << false;
        QTest::newRow("layers not a list") << replaced(recordWith(validLayer), "[", "{\"a\": [") << false;
        QTest::newRow("a layer that is not an object") << recordWith(validLayer + QStringLiteral(", 5")) << false;
        QTest::newRow("root is a list") << QStringLiteral("[]") << false;
        QTest::newRow("cut short") << recordWith(validLayer).left(100) << false;
        QTest::newRow("number overflow") << recordWith(replaced(validLayer, "\"width\": 80", "\"width\": 1e999"))
                                         << false;
        QTest::newRow("empty file") << QString() << false;
    }

    void strictReading()
    {
        QFETCH(QString, record);
        QFETCH(bool, loads);
        writeFile(layerFile(root(), validLayerId), solidPng(8, 6));
        writeFile(recordPath(), record.toUtf8());

        Log::ScopedCapture log;
        CanvasStore& store = openStore();
        QVERIFY(log.lines().isEmpty());
        QCOMPARE(store.layers().size(), loads ? 1 : 0);
        QCOMPARE(store.nextLayerNumber(), loads ? 4 : 1);
        if (!loads)
            return;
        const Layer& layer = store.layers().first();
        QCOMPARE(layer.position, QPointF(10.5, -4));
        QCOMPARE(layer.rotation, -90.0);
        QVERIFY(layer.flipHorizontal && !layer.flipVertical);
        QCOMPARE(layer.zIndex, 2);
        QCOMPARE(layer.name, QStringLiteral("Layer 3"));
    }

    void unreadableRecordIsKeptBesideTheNewOne()
    {
        const QByteArray damaged = recordWith(replaced(validLayer, "\"flipVertical\": false,", "")).toUtf8();
        writeFile(recordPath(), damaged);

        // Opening and closing without a change touches nothing.
        openStore();
        m_store.reset();
        QCOMPARE(readFile(recordPath()), damaged);

        Log::ScopedCapture log;
        CanvasStore& store = openStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        store.waitForPendingWrites();

        const QStringList kept = QDir(root()).entryList({ QStringLiteral("canvas.json.unreadable-*") }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QVERIFY(QRegularExpression(QStringLiteral(R"(^canvas\.json\.unreadable-\d{8}-\d{6}$)"))
                    .match(kept.first())
                    .hasMatch());
        QCOMPARE(readFile(root() + QLatin1Char('/') + kept.first()), damaged);
        QCOMPARE(log.lines(),
            QStringList { QStringLiteral("[CanvasStore] Kept unreadable canvas file as ") + root() + QLatin1Char('/')
                + kept.first() });
        QCOMPARE(
            QJsonDocument::fromJson(readFile(recordPath())).object().value(QStringLiteral("layers")).toArray().size(),
            2);
    }

    void unusableGeometryIsLeftOutAtLoad()
    {
        const QUuid wide = QUuid::createUuid();
        const QUuid atTheLimit = QUuid::createUuid();
        const QUuid tall = QUuid::createUuid();
        for (const QUuid& id : { wide, atTheLimit, tall })
            writeFile(layerFile(root(), id), solidPng(4, 4));
        writeCanvasRecord(root(), 4,
            { layerEntry(wide, 0, 0, 100000.5, 10, 0), layerEntry(atTheLimit, 0, 0, 100000, 100000, 1),
                layerEntry(tall, 0, 0, 1, -3e200, 2) });

        Log::ScopedCapture log;
        CanvasStore& store = openStore();
        QCOMPARE(log.lines(),
            (QStringList { QStringLiteral("[CanvasStore] Unusable geometry for layer ") + upperId(wide)
                    + QStringLiteral(", skipping"),
                QStringLiteral("[CanvasStore] Unusable geometry for layer ") + upperId(tall)
                    + QStringLiteral(", skipping") }));
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().id, atTheLimit);
    }

    void deletingALayerWhoseFileIsGone()
    {
        CanvasStore& store = openStore();
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        const QUuid id = store.layers().first().id;
        store.waitForPendingWrites();
        QVERIFY(QFile::remove(layerFile(root(), id)));

        Log::ScopedCapture log;
        store.deleteLayer(id);
        store.waitForPendingWrites();
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(
            QStringLiteral("[CanvasStore] Failed to delete layer image ") + upperId(id) + QStringLiteral(": ")));
        const QJsonArray layers
            = QJsonDocument::fromJson(readFile(recordPath())).object().value(QStringLiteral("layers")).toArray();
        QCOMPARE(layers.size(), 1);
        QCOMPARE(layers.first().toObject().value(QStringLiteral("id")).toString(), upperId(store.layers().first().id));
    }

    void failedWritesAreLoggedAndTheStoreCarriesOn()
    {
        CanvasStore& store = openStore();
        // A folder where the record should be, and a file where the layer folder should be.
        QVERIFY(QDir().mkpath(recordPath()));
        QVERIFY(QDir(store.canvasLayersFolder()).removeRecursively());
        writeFile(store.canvasLayersFolder(), "in the way");

        Log::ScopedCapture log;
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        store.waitForPendingWrites();
        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[0].startsWith(QStringLiteral("[CanvasStore] Failed to write layer image ")
            + upperId(store.layers().first().id) + QStringLiteral(": ")));
        QVERIFY(lines[1].startsWith(QStringLiteral("[CanvasStore] Failed to write canvas.json: ")));
        QCOMPARE(store.layers().size(), 1);
    }

    void deletedBytesLastAsLongAsTheHistoryNamesThem()
    {
        CanvasHistory history;
        Layer gone;
        gone.id = QUuid::createUuid();
        gone.imageData = "bytes";
        history.record(CanvasHistory::snapshotOf({ gone }));
        history.retainDeleted({ gone });
        QCOMPARE(history.retainedBytes(gone.id), std::optional<QByteArray>("bytes"));

        // Undone: the snapshot naming it now sits on the redo stack.
        auto target = history.stepBack({});
        QVERIFY(target.has_value());
        history.dropUnnamedBytes();
        QVERIFY(!history.retainedBytes(gone.id).has_value()); // neither stack names it any more
        history.retainDeleted({ gone });
        QVERIFY(!history.retainedBytes(gone.id).has_value());

        history.record(CanvasHistory::snapshotOf({ gone }));
        history.retainDeleted({ gone });
        for (int i = 0; i < 4; ++i)
            history.record({});
        QVERIFY(history.retainedBytes(gone.id).has_value()); // oldest of five
        history.record({});
        QCOMPARE(history.undoStack().size(), 5);
        QVERIFY(!history.retainedBytes(gone.id).has_value());
    }
};

QTEST_GUILESS_MAIN(CanvasPersistenceTest)
#include "CanvasPersistenceTest.moc"
