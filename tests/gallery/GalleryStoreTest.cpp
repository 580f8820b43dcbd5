#include "gallery/GalleryStore.h"
#include "gallery/GalleryFolders.h"
#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray pngBytes(QSize size, QColor colour)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString fileName(const QUuid& id)
{
    return Uuids::canonicalText(id) + QStringLiteral(".png");
}

// The index as (id, section) pairs, read with Qt's own JSON parser.
QList<QPair<QString, QString>> indexOnDisk(const QString& path)
{
    QList<QPair<QString, QString>> entries;
    const QJsonDocument document = QJsonDocument::fromJson(readFile(path));
    for (const QJsonValue& value : document.array())
        entries.append({ value[QStringLiteral("id")].toString(), value[QStringLiteral("section")].toString() });
    return entries;
}

QPair<QString, QString> entry(const QUuid& id, const char* section)
{
    return { Uuids::canonicalText(id), QString::fromLatin1(section) };
}

QDateTime at(qint64 unixMSecs)
{
    return QDateTime::fromMSecsSinceEpoch(unixMSecs, Qt::UTC);
}

} // namespace

class GalleryStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;

    std::unique_ptr<GalleryStore> makeStore() { return std::make_unique<GalleryStore>(m_root); }
    QString rootPath(const QString& relative) const { return QDir(m_root).filePath(relative); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->filePath(QStringLiteral("Scrapwick"));
    }

    void cleanup() { m_dir.reset(); }

    void startsEmptyWithBothFoldersCreated()
    {
        auto store = makeStore();
        QVERIFY(store->cutouts().isEmpty());
        QVERIFY(store->collages().isEmpty());
        QVERIFY(QFileInfo(rootPath(QStringLiteral("cutouts"))).isDir());
        QVERIFY(QFileInfo(rootPath(QStringLiteral("collages"))).isDir());
        QCOMPARE(store->indexPath(), rootPath(QStringLiteral("gallery-index.json")));
        QVERIFY(!QFile::exists(store->indexPath()));
    }

    void addedItemsGoFirstInTheListAndTheFiles()
    {
        auto store = makeStore();
        QSignalSpy cutoutsChanged(store.get(), &GalleryStore::cutoutsChanged);
        QSignalSpy collagesChanged(store.get(), &GalleryStore::collagesChanged);
        const QByteArray firstPng = pngBytes({ 4, 4 }, Qt::red);
        const QByteArray secondPng = pngBytes({ 8, 2 }, Qt::blue);
        const ClipItem first { QUuid::createUuid(), firstPng, at(1704067200000) };
        const ClipItem second { QUuid::createUuid(), secondPng, at(1704067201500) };
        const CollageItem collage { QUuid::createUuid(), pngBytes({ 3, 3 }, Qt::green), at(1704067202000) };
        store->addCutout(first);
        store->addCollage(collage);
        store->addCutout(second);

        QCOMPARE(store->cutouts().size(), 2);
        QCOMPARE(store->cutouts()[0].id, second.id);
        QCOMPARE(store->cutouts()[1].id, first.id);
        QCOMPARE(cutoutsChanged.count(), 2);
        QCOMPARE(collagesChanged.count(), 1);

        store->waitForPendingWrites();
        QCOMPARE(readFile(QDir(store->cutoutsFolder()).filePath(fileName(first.id))), firstPng);
        QCOMPARE(readFile(QDir(store->cutoutsFolder()).filePath(fileName(second.id))), secondPng);
        QCOMPARE(readFile(QDir(store->collagesFolder()).filePath(fileName(collage.id))), *collage.imageData);
        QCOMPARE(indexOnDisk(store->indexPath()),
            (QList<QPair<QString, QString>> {
                entry(second.id, "cutouts"), entry(first.id, "cutouts"), entry(collage.id, "collages") }));
        // 1704067201.5 Unix seconds, less 978307200.
        const QJsonDocument document = QJsonDocument::fromJson(readFile(store->indexPath()));
        QCOMPARE(document.array()[0][QStringLiteral("createdAt")].toDouble(), 725760001.5);
    }

    void anItemWithoutDataWritesOnlyTheIndex()
    {
        auto store = makeStore();
        const CollageItem collage { QUuid::createUuid(), std::nullopt, at(0) };
        store->addCollage(collage);
        store->waitForPendingWrites();
        QCOMPARE(indexOnDisk(store->indexPath()), (QList<QPair<QString, QString>> { entry(collage.id, "collages") }));
        QVERIFY(QDir(store->collagesFolder()).isEmpty());
        QVERIFY(!store->imageDataFor(collage.id).has_value());
    }

    void deletionsRemoveItemsAndTheirFilesOnlyInTheirSection()
    {
        auto store = makeStore();
        QList<QUuid> cut, col;
        for (int i = 0; i < 3; ++i) {
            cut << QUuid::createUuid();
            col << QUuid::createUuid();
            store->addCutout({ cut[i], pngBytes({ 2, 2 }, Qt::red), at(i) });
            store->addCollage({ col[i], pngBytes({ 2, 2 }, Qt::blue), at(i) });
        }
        // A cut-out file carrying a collage's id must survive that collage's deletion.
        store->waitForPendingWrites();
        writeFile(QDir(store->cutoutsFolder()).filePath(fileName(col[0])), "other");

        QSignalSpy cutoutsChanged(store.get(), &GalleryStore::cutoutsChanged);
        store->deleteCutout(cut[1]);
        store->deleteCollages({ col[0], col[2], QUuid::createUuid() });
        QCOMPARE(cutoutsChanged.count(), 1);
        QCOMPARE(store->cutouts().size(), 2);
        QCOMPARE(store->cutouts()[0].id, cut[2]);
        QCOMPARE(store->cutouts()[1].id, cut[0]);
        QCOMPARE(store->collages().size(), 1);
        QCOMPARE(store->collages()[0].id, col[1]);

        store->waitForPendingWrites();
        const QDir cutouts(store->cutoutsFolder());
        const QDir collages(store->collagesFolder());
        QVERIFY(!cutouts.exists(fileName(cut[1])));
        QVERIFY(cutouts.exists(fileName(cut[0])) && cutouts.exists(fileName(cut[2])));
        QVERIFY(cutouts.exists(fileName(col[0])));
        QVERIFY(!collages.exists(fileName(col[0])) && !collages.exists(fileName(col[2])));
        QVERIFY(collages.exists(fileName(col[1])));
        QCOMPARE(indexOnDisk(store->indexPath()),
            (QList<QPair<QString, QString>> {
                entry(cut[2], "cutouts"), entry(cut[0], "cutouts"), entry(col[1], "collages") }));
    }

    void deletingWhatIsNotListedStillRewritesTheIndexAndRemovesTheFile()
    {
        auto store = makeStore();
        const ClipItem kept { QUuid::createUuid(), std::nullopt, at(5) };
        store->addCutout(kept);
        store->waitForPendingWrites();
        const QUuid stray = QUuid::createUuid();
        writeFile(QDir(store->cutoutsFolder()).filePath(fileName(stray)), "stray");

        QFile::remove(store->indexPath());
        store->deleteCutout(stray);
        store->waitForPendingWrites();
        QVERIFY(!QDir(store->cutoutsFolder()).exists(fileName(stray)));
        QCOMPARE(indexOnDisk(store->indexPath()), (QList<QPair<QString, QString>> { entry(kept.id, "cutouts") }));

        QFile::remove(store->indexPath());
        store->deleteCutouts({});
        store->waitForPendingWrites();
        QCOMPARE(store->cutouts().size(), 1);
        QCOMPARE(indexOnDisk(store->indexPath()), (QList<QPair<QString, QString>> { entry(kept.id, "cutouts") }));
    }

    void quickSuccessiveChangesLeaveAnIndexWithBoth()
    {
        auto store = makeStore();
        const ClipItem a { QUuid::createUuid(), pngBytes({ 20, 20 }, Qt::red), at(1) };
        const CollageItem b { QUuid::createUuid(), pngBytes({ 20, 20 }, Qt::blue), at(2) };
        store->addCutout(a);
        store->addCollage(b);
        store->waitForPendingWrites();
        QCOMPARE(indexOnDisk(store->indexPath()),
            (QList<QPair<QString, QString>> { entry(a.id, "cutouts"), entry(b.id, "collages") }));
    }

    void aNewStoreReadsBackWhatWasWritten()
    {
        QList<ClipItem> cutouts;
        QList<CollageItem> collages;
        {
            auto store = makeStore();
            for (int i = 0; i < 4; ++i)
                store->addCutout({ QUuid::createUuid(), pngBytes({ 2, 2 }, Qt::red), at(1700000000123 + i) });
            store->addCollage({ QUuid::createUuid(), pngBytes({ 2, 2 }, Qt::blue), at(1600000000999) });
            store->deleteCutout(store->cutouts()[2].id);
            cutouts = store->cutouts();
            collages = store->collages();
            // No wait: destroying the store finishes the writes it scheduled.
        }
        auto store = makeStore();
        QCOMPARE(store->cutouts().size(), 3);
        QCOMPARE(store->collages().size(), 1);
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(store->cutouts()[i].id, cutouts[i].id);
            QCOMPARE(store->cutouts()[i].createdAt, cutouts[i].createdAt);
            QVERIFY(!store->cutouts()[i].imageData.has_value());
            QCOMPARE(store->imageDataFor(cutouts[i].id), cutouts[i].imageData);
        }
        QCOMPARE(store->collages()[0].id, collages[0].id);
        QCOMPARE(store->collages()[0].createdAt, collages[0].createdAt);
        QCOMPARE(store->imageDataFor(collages[0].id), collages[0].imageData);
    }

    void imageLookupPrefersMemoryThenTheCutoutFolderThenTheCollageFolder()
    {
        auto store = makeStore();
        const QUuid inBothFolders = QUuid::createUuid();
        const QUuid onlyCollageFile = QUuid::createUuid();
        const QUuid memoryCollage = QUuid::createUuid();
        writeFile(QDir(store->cutoutsFolder()).filePath(fileName(inBothFolders)), "cut-out file");
        writeFile(QDir(store->collagesFolder()).filePath(fileName(inBothFolders)), "collage file");
        writeFile(QDir(store->collagesFolder()).filePath(fileName(onlyCollageFile)), "only collage");
        writeFile(QDir(store->cutoutsFolder()).filePath(fileName(memoryCollage)), "stale file");

        QCOMPARE(store->imageDataFor(inBothFolders), QByteArray("cut-out file"));
        QCOMPARE(store->imageDataFor(onlyCollageFile), QByteArray("only collage"));
        QCOMPARE(store->imageDataFor(QUuid::createUuid()), std::nullopt);

        store->addCollage({ memoryCollage, QByteArray("in memory"), at(0) });
        QCOMPARE(store->imageDataFor(memoryCollage), QByteArray("in memory"));
        const ClipItem fresh { QUuid::createUuid(), QByteArray("fresh"), at(0) };
        store->addCutout(fresh);
        QCOMPARE(store->imageDataFor(fresh.id), QByteArray("fresh"));
        store->waitForPendingWrites();
        QFile::remove(QDir(store->cutoutsFolder()).filePath(fileName(fresh.id)));
        QCOMPARE(store->imageDataFor(fresh.id), QByteArray("fresh"));
    }

    void thumbnailMissIsDecodedOffThreadAndHitIsImmediate()
    {
        auto store = makeStore();
        const ClipItem item { QUuid::createUuid(), pngBytes({ 800, 600 }, Qt::red), at(0) };
        store->addCutout(item);

        bool returned = false;
        int calls = 0;
        std::optional<QImage> result;
        store->loadThumbnail(item.id, [&](std::optional<QImage> thumbnail) {
            QVERIFY(returned);
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            ++calls;
            result = std::move(thumbnail);
        });
        returned = true;
        QTRY_COMPARE(calls, 1);
        QVERIFY(result.has_value());
        QCOMPARE(result->size(), QSize(360, 270));
        QCOMPARE(QColor(result->pixel(180, 135)), QColor(Qt::red));

        // Served from the cache: synchronously, even with the bytes gone.
        store->deleteCutout(item.id);
        store->waitForPendingWrites();
        std::optional<QImage> cached;
        store->loadThumbnail(item.id, [&](std::optional<QImage> thumbnail) { cached = std::move(thumbnail); });
        QVERIFY(cached.has_value());
        QCOMPARE(cached->size(), QSize(360, 270));
    }

    void aFailedThumbnailIsTriedAgainLater()
    {
        auto store = makeStore();
        const QUuid id = QUuid::createUuid();
        store->addCollage({ id, std::nullopt, at(0) });
        int calls = 0;
        std::optional<QImage> result = QImage(1, 1, QImage::Format_ARGB32);
        const auto record = [&](std::optional<QImage> thumbnail) {
            ++calls;
            result = std::move(thumbnail);
        };
        store->loadThumbnail(id, record);
        QCOMPARE(calls, 0);
        QTRY_COMPARE(calls, 1);
        QVERIFY(!result.has_value());

        writeFile(QDir(store->collagesFolder()).filePath(fileName(id)), "not an image");
        store->loadThumbnail(id, record);
        QTRY_COMPARE(calls, 2);
        QVERIFY(!result.has_value());

        writeFile(QDir(store->collagesFolder()).filePath(fileName(id)), pngBytes({ 90, 120 }, Qt::green));
        store->loadThumbnail(id, record);
        QCOMPARE(calls, 2);
        QTRY_COMPARE(calls, 3);
        QVERIFY(result.has_value());
        // Small images are not enlarged.
        QCOMPARE(result->size(), QSize(90, 120));
    }

    void aFailedImageWriteIsLoggedAndTheIndexStillWritten()
    {
        auto store = makeStore();
        // A file where the folder should be blocks the write even for root.
        QVERIFY(QDir(store->cutoutsFolder()).removeRecursively());
        writeFile(store->cutoutsFolder(), "in the way");

        Log::ScopedCapture log;
        const ClipItem item { QUuid::createUuid(), pngBytes({ 2, 2 }, Qt::red), at(0) };
        store->addCutout(item);
        store->waitForPendingWrites();
        const QStringList lines = log.lines();
        QCOMPARE(lines.size(), 1);
        const QString prefix = QStringLiteral("[GalleryStore] Failed to write image ") + Uuids::canonicalText(item.id)
            + QStringLiteral(": ");
        QVERIFY2(lines[0].startsWith(prefix) && lines[0].size() > prefix.size(), qPrintable(lines[0]));
        QCOMPARE(indexOnDisk(store->indexPath()), (QList<QPair<QString, QString>> { entry(item.id, "cutouts") }));
        QCOMPARE(store->imageDataFor(item.id), item.imageData);
    }

    void aFailedIndexWriteIsLoggedAndTheNextChangeWritesItInFull()
    {
        auto store = makeStore();
        QVERIFY(QDir().mkpath(store->indexPath() + QStringLiteral("/blocker")));
        Log::ScopedCapture log;
        const ClipItem a { QUuid::createUuid(), std::nullopt, at(0) };
        store->addCutout(a);
        store->waitForPendingWrites();
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines()[0].startsWith(QStringLiteral("[GalleryStore] Failed to write index: ")),
            qPrintable(log.lines()[0]));

        QVERIFY(QDir(store->indexPath()).removeRecursively());
        const ClipItem b { QUuid::createUuid(), std::nullopt, at(1) };
        store->addCutout(b);
        store->waitForPendingWrites();
        QCOMPARE(indexOnDisk(store->indexPath()),
            (QList<QPair<QString, QString>> { entry(b.id, "cutouts"), entry(a.id, "cutouts") }));
    }

    void anUnreadableIndexIsKeptAsideBeforeTheFirstWrite_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("missing createdAt")
            << QByteArray("[{\"id\": \"0A1B2C3D-4E5F-4A6B-8C7D-9E0FA1B2C3D4\", \"section\": \"cutouts\"}]");
        QTest::newRow("id naming a path")
            << QByteArray("[{\"id\": \"../../x\", \"createdAt\": 1, \"section\": \"cutouts\"}]");
        QTest::newRow("truncated") << QByteArray("[{\"id\": \"0A1B2C3D-4E5F");
    }

    void anUnreadableIndexIsKeptAsideBeforeTheFirstWrite()
    {
        QFETCH(QByteArray, content);
        QVERIFY(QDir().mkpath(m_root));
        const QString indexPath = rootPath(QStringLiteral("gallery-index.json"));
        writeFile(indexPath, content);

        Log::ScopedCapture log;
        auto store = makeStore();
        QVERIFY(store->cutouts().isEmpty() && store->collages().isEmpty());
        QCOMPARE(readFile(indexPath), content);

        const ClipItem a { QUuid::createUuid(), std::nullopt, at(0) };
        const ClipItem b { QUuid::createUuid(), std::nullopt, at(1) };
        store->addCutout(a);
        store->addCutout(b);
        store->waitForPendingWrites();

        const QStringList kept = QDir(m_root).entryList({ QStringLiteral("gallery-index.json.unreadable-*") });
        QCOMPARE(kept.size(), 1);
        QVERIFY2(QRegularExpression(QStringLiteral("^gallery-index\\.json\\.unreadable-\\d{8}-\\d{6}$"))
                     .match(kept[0])
                     .hasMatch(),
            qPrintable(kept[0]));
        const QString keptPath = QDir(m_root).filePath(kept[0]);
        QCOMPARE(readFile(keptPath), content);
        QCOMPARE(log.lines(), QStringList { QStringLiteral("[GalleryStore] Kept unreadable index as ") + keptPath });
        QCOMPARE(indexOnDisk(indexPath),
            (QList<QPair<QString, QString>> { entry(b.id, "cutouts"), entry(a.id, "cutouts") }));
    }

    void aMissingOrReadableIndexIsNotKept()
    {
        {
            auto store = makeStore();
            store->addCutout({ QUuid::createUuid(), std::nullopt, at(0) });
        }
        Log::ScopedCapture log;
        auto store = makeStore();
        QCOMPARE(store->cutouts().size(), 1);
        store->addCutout({ QUuid::createUuid(), std::nullopt, at(1) });
        store->waitForPendingWrites();
        QCOMPARE(QDir(m_root).entryList(QDir::Files), QStringList { QStringLiteral("gallery-index.json") });
        QVERIFY(log.lines().isEmpty());
    }

    void keepNamesNeverReplaceAnEarlierKeptIndex()
    {
        const GalleryFolders folders = GalleryFolders::inside(m_root);
        QVERIFY(QDir().mkpath(m_root));
        // 12:34:56 in UTC+1 is 11:34:56 UTC.
        const QDateTime now(QDate(2025, 3, 9), QTime(12, 34, 56), Qt::OffsetFromUTC, 3600);
        const QString base = rootPath(QStringLiteral("gallery-index.json.unreadable-20250309-113456"));
        QCOMPARE(folders.unreadableIndexKeepPath(now), base);
        writeFile(base, "1");
        QCOMPARE(folders.unreadableIndexKeepPath(now), base + QStringLiteral("-2"));
        writeFile(base + QStringLiteral("-2"), "2");
        QCOMPARE(folders.unreadableIndexKeepPath(now), base + QStringLiteral("-3"));
    }

    void legacyCollageFolderIsRenamedOnlyWhenNoCollageFolderExists()
    {
        const QUuid id = QUuid::createUuid();
        QVERIFY(QDir().mkpath(rootPath(QStringLiteral("moodboards"))));
        writeFile(rootPath(QStringLiteral("moodboards/") + fileName(id)), "old collage");
        writeFile(rootPath(QStringLiteral("gallery-index.json")),
            "[{\"id\": \"" + Uuids::canonicalText(id).toUtf8() + "\", \"createdAt\": 3, \"section\": \"moodboards\"}]");
        {
            auto store = makeStore();
            QVERIFY(!QFile::exists(rootPath(QStringLiteral("moodboards"))));
            QCOMPARE(store->collages().size(), 1);
            QCOMPARE(store->imageDataFor(id), QByteArray("old collage"));
            store->deleteCutouts({});
            store->waitForPendingWrites();
            QCOMPARE(indexOnDisk(store->indexPath()), (QList<QPair<QString, QString>> { entry(id, "collages") }));
        }

        // Both folders present: the old one stays untouched, "collages" is used.
        const QUuid old = QUuid::createUuid();
        QVERIFY(QDir().mkpath(rootPath(QStringLiteral("moodboards"))));
        writeFile(rootPath(QStringLiteral("moodboards/") + fileName(old)), "stays");
        auto store = makeStore();
        QCOMPARE(readFile(rootPath(QStringLiteral("moodboards/") + fileName(old))), QByteArray("stays"));
        QVERIFY(QFile::exists(rootPath(QStringLiteral("collages/") + fileName(id))));
        QVERIFY(!store->imageDataFor(old).has_value());
    }
};

QTEST_GUILESS_MAIN(GalleryStoreTest)
#include "GalleryStoreTest.moc"
