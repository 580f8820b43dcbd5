#include "CanvasTestFiles.h"

#include "platform/Log.h"

#include <QStandardPaths>
#include <QTest>

namespace {
const QString validLayer = QStringLiteral(
    R"({"id": "6B29FC40-CA47-1067-B31D-00DD010662DA", "clipItemId": "7D444840-9DC0-11D1-B245-5FFDCE74FAD2",
        "name": "Layer 3", "positionX": 10.5, "positionY": -4, "width": 80, "height": 60, "rotation": -90,
        "flipHorizontal": true, "flipVertical": false, "zIndex": 2})");
const QUuid validLayerId = QUuid::fromString(QStringLiteral("6B29FC40-CA47-1067-B31D-00DD010662DA"));

// The record with the valid layer, one piece of its text replaced.
QString recordWith(const char* from = "", const char* to = "")
{
    return QStringLiteral(R"({"nextLayerNumber": 4, "layers": [%1]})")
        .arg(QString(validLayer).replace(QString::fromLatin1(from), QString::fromLatin1(to)));
}

auto fieldsOf(const Layer& l)
{
    return std::tuple(l.id, l.clipItemId, l.imageData, l.name, l.position.x(), l.position.y(), l.width, l.height,
        l.rotation, l.flipHorizontal, l.flipVertical, l.zIndex);
}
} // namespace

// The canvas on disk: the record's layout, strict reading, the write job's
// messages, and a full round trip through a second store.
class CanvasPersistenceTest : public QObject {
    Q_OBJECT

    std::unique_ptr<CanvasFolder> m_folder;

    QString root() const { return m_folder->root(); }
    QString recordPath() const { return root() + QStringLiteral("/canvas.json"); }
    CanvasStore& openStore() { return m_folder->reopen(); }

    QJsonArray writtenLayers() const
    {
        m_folder->store->waitForPendingWrites();
        return QJsonDocument::fromJson(readFile(recordPath())).object().value(QStringLiteral("layers")).toArray();
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init() { m_folder = std::make_unique<CanvasFolder>(); }
    void cleanup() { m_folder.reset(); }

    void recordIsPrettyPrintedInItsKeyOrder()
    {
        CanvasStore& store = openStore();
        const QByteArray png = solidPng(40, 20, Qt::darkCyan);
        QVERIFY(!store.addLayer(QUuid::createUuid(), png, { 12.25, -3 }, false));
        const Layer& layer = store.layers().first();
        QCOMPARE(writtenLayers().size(), 1);

        const QByteArray text = readFile(recordPath());
        QVERIFY(text.startsWith("{\n") && text.contains("\n  \"layers\""));
        const QByteArrayList keys { "\"nextLayerNumber\"", "\"layers\"", "\"id\"", "\"clipItemId\"", "\"name\"",
            "\"positionX\"", "\"positionY\"", "\"width\"", "\"height\"", "\"rotation\"", "\"flipHorizontal\"",
            "\"flipVertical\"", "\"zIndex\"" };
        qsizetype previous = -1;
        for (const QByteArray& key : keys) {
            QVERIFY2(text.indexOf(key) > previous, key.constData());
            previous = text.indexOf(key);
        }
        const QJsonObject entry = writtenLayers().first().toObject();
        QCOMPARE(entry.size(), 11);
        QCOMPARE(entry.value(QStringLiteral("id")).toString(), upperId(layer.id));
        QCOMPARE(entry.value(QStringLiteral("positionX")).toDouble(), 12.25);
        QCOMPARE(entry.value(QStringLiteral("width")).toDouble(), 20.0);

        // The image sits in a file named by the layer's id, bytes as given.
        QCOMPARE(QDir(store.canvasLayersFolder()).entryList(QDir::Files),
            QStringList { upperId(layer.id) + QStringLiteral(".png") });
        QCOMPARE(readFile(layerFile(root(), layer.id)), png);
    }

    void roundTripThroughANewStore()
    {
        CanvasStore& store = openStore();
        store.setDropOrigin({ 0.1, 0.2 });
        for (int i = 0; i < 3; ++i)
            QVERIFY(!store.addLayer(QUuid::createUuid(), quadrantPng(30 + i), {}, true));
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(9, 7, Qt::yellow), { 1.0 / 3, 2e-7 }, false));
        const QList<Layer> layers = store.layers();
        store.setSelectedLayerId(layers[0].id);
        store.rotateSelectedLayer(-90);
        store.flipSelectedLayerHorizontally();
        store.bringSelectedLayerToFront();
        store.setSelectedLayerId(layers[1].id);
        store.flipSelectedLayerVertically();
        store.commitRotation(layers[1].id, 33.3);
        store.commitTransform(layers[2].id, { -5.5, 1e-9 }, 0.7, 123.456789);
        store.deleteLayer(layers[3].id);

        const QList<Layer> before = store.layers();
        QCOMPARE(store.nextLayerNumber(), 5);
        CanvasStore& reopened = openStore();
        QCOMPARE(reopened.nextLayerNumber(), 5);
        QCOMPARE(reopened.layers().size(), before.size());
        for (qsizetype i = 0; i < before.size(); ++i)
            QVERIFY(fieldsOf(reopened.layers()[i]) == fieldsOf(before[i]));
    }

    void missingLayerFileLeavesOnlyThatLayerOut()
    {
        const QUuid missing = QUuid::createUuid();
        const QUuid present = QUuid::createUuid();
        writeCanvas(root(), 3, { layerEntry(missing, 10, 10, 0), layerEntry(present, 10, 10, 1) });
        QVERIFY(QFile::remove(layerFile(root(), missing)));

        Log::ScopedCapture log;
        CanvasStore& store = openStore();
        QCOMPARE(log.lines(),
            QStringList { QStringLiteral("[CanvasStore] Missing image file for layer ") + upperId(missing)
                + QStringLiteral(", skipping") });
        QCOMPARE(store.layers().size(), 1);
        QCOMPARE(store.layers().first().id, present);
        QCOMPARE(store.nextLayerNumber(), 3);
    }

    void strictReading_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<bool>("loads");
        QTest::newRow("valid") << recordWith() << true;
        QTest::newRow("extra key") << recordWith("\"zIndex\"", "\"note\": 1, \"zIndex\"") << true;
        QTest::newRow("lower-case id") << recordWith("6B29FC40", "6b29fc40") << true;
        QTest::newRow("no flipVertical") << recordWith("\"flipVertical\": false,") << false;
        QTest::newRow("fractional zIndex") << recordWith("\"zIndex\": 2", "\"zIndex\": 2.5") << false;
        QTest::newRow("zIndex beyond 64 bits")
            << recordWith("\"zIndex\": 2", "\"zIndex\": 9223372036854775808") << false;
        QTest::newRow("flip as number") << recordWith("\"flipHorizontal\": true", "\"flipHorizontal\": 1") << false;
        QTest::newRow("position as text") << recordWith("10.5", "\"10.5\"") << false;
        QTest::newRow("id that is a path")
            << recordWith("6B29FC40-CA47-1067-B31D-00DD010662DA", "../../etc/passwd.x") << false;
        QTest::newRow("no nextLayerNumber") << recordWith().remove(QStringLiteral("\"nextLayerNumber\": 4,")) << false;
        QTest::newRow("root is a list") << QStringLiteral("[]") << false;
        QTest::newRow("cut short") << recordWith().left(100) << false;
        QTest::newRow("number overflow") << recordWith("\"width\": 80", "\"width\": 1e999") << false;
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
        if (loads) {
            const Layer& layer = store.layers().first();
            QCOMPARE(layer.position, QPointF(10.5, -4));
            QCOMPARE(layer.rotation, -90.0);
            QVERIFY(layer.flipHorizontal && !layer.flipVertical);
            QCOMPARE(layer.zIndex, 2);
            return;
        }
        // The canvas that could not be read is kept beside the first new one.
        QCOMPARE(readFile(recordPath()), record.toUtf8());
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        QVERIFY(!store.addLayer(QUuid::createUuid(), solidPng(4, 4), {}, false));
        QCOMPARE(writtenLayers().size(), 2);
        const QStringList kept = QDir(root()).entryList({ QStringLiteral("canvas.json.unreadable-*") }, QDir::Files);
        QCOMPARE(kept.size(), 1);
        QCOMPARE(readFile(root() + QLatin1Char('/') + kept.first()), record.toUtf8());
        QCOMPARE(log.lines(),
            QStringList { QStringLiteral("[CanvasStore] Kept unreadable canvas file as ") + root() + QLatin1Char('/')
                + kept.first() });
    }

    void unusableGeometryIsLeftOutAtLoad()
    {
        const QUuid wide = QUuid::createUuid();
        const QUuid atTheLimit = QUuid::createUuid();
        const QUuid tall = QUuid::createUuid();
        writeCanvas(root(), 4,
            { layerEntry(wide, 100000.5, 10, 0), layerEntry(atTheLimit, 100000, 100000, 1),
                layerEntry(tall, 1, -3e200, 2) });

        Log::ScopedCapture log;
        CanvasStore& store = openStore();
        const QString line = QStringLiteral("[CanvasStore] Unusable geometry for layer %1, skipping");
        QCOMPARE(log.lines(), (QStringList { line.arg(upperId(wide)), line.arg(upperId(tall)) }));
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
        const QJsonArray layers = writtenLayers();
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(
            QStringLiteral("[CanvasStore] Failed to delete layer image ") + upperId(id) + QStringLiteral(": ")));
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
    }
};

QTEST_GUILESS_MAIN(CanvasPersistenceTest)
#include "CanvasPersistenceTest.moc"
