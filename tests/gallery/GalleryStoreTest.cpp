#include "gallery/GalleryStore.h"
#include "gallery/GalleryFolders.h"
#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Index = QList<QPair<QString, QString>>;

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

QString fileIn(const QString& folder, const QUuid& id)
{
    return QDir(folder).filePath(Uuids::canonicalText(id) + QStringLiteral(".png"));
}

// The index as (id, section) pairs, read with Qt's own JSON parser.
Index indexOnDisk(const QString& path)
{
    Index entries;
    for (const QJsonValue& value : QJsonDocument::fromJson(readFile(path)).array())
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
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        m_root = m_dir->filePath(QStringLiteral("Scrapwick"));
    }

    void cleanup() { m_dir.reset(); }

    void addedItemsGoFirstInTheListAndTheFiles()
    {
        auto store = makeStore();
        QSignalSpy cutoutsChanged(store.get(), &GalleryStore::cutoutsChanged);
        const ClipItem first { QUuid::createUuid(), pngBytes({ 4, 4 }, Qt::red), at(1) };
        const ClipItem second { QUuid::createUuid(), pngBytes({ 8, 2 }, Qt::blue), at(2) };
        const CollageItem collage { QUuid::createUuid(), pngBytes({ 3, 3 }, Qt::green), at(3) };
        const CollageItem withoutData { QUuid::createUuid(), std::nullopt, at(4) };
        // Quick successive changes, no waiting in between: the index must reflect all of them.
        store->addCutout(first);
        store->addCollage(collage);
        store->addCutout(second);
        store->addCollage(withoutData);
        QCOMPARE(store->cutouts().size(), 2);
        QCOMPARE(store->cutouts()[0].id, second.id);
        QCOMPARE(store->collages()[0].id, withoutData.id);
        QCOMPARE(cutoutsChanged.count(), 2);

        store->waitForPendingWrites();
        QCOMPARE(readFile(fileIn(store->cutoutsFolder(), first.id)), *first.imageData);
        QCOMPARE(readFile(fileIn(store->cutoutsFolder(), second.id)), *second.imageData);
        QCOMPARE(QDir(store->collagesFolder()).entryList(QDir::Files),
            QStringList { QFileInfo(fileIn({}, collage.id)).fileName() });
        QCOMPARE(indexOnDisk(store->indexPath()),
            (Index { entry(second.id, "cutouts"), entry(first.id, "cutouts"), entry(withoutData.id, "collages"),
                entry(collage.id, "collages") }));
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
        store->waitForPendingWrites();
        // A cut-out file carrying a collage's id must survive that collage's deletion;
        // a file of an id no longer listed is still removed.
        writeFile(fileIn(store->cutoutsFolder(), col[0]), "other");
        const QUuid stray = QUuid::createUuid();
        writeFile(fileIn(store->collagesFolder(), stray), "stray");

        store->deleteCutout(cut[1]);
        store->deleteCollages({ col[0], col[2], stray });
        QCOMPARE(store->cutouts().size(), 2);
        QCOMPARE(store->cutouts()[0].id, cut[2]);
        QCOMPARE(store->cutouts()[1].id, cut[0]);
        QCOMPARE(store->collages().size(), 1);

        store->waitForPendingWrites();
        QVERIFY(!QFile::exists(fileIn(store->cutoutsFolder(), cut[1])));
        QVERIFY(QFile::exists(fileIn(store->cutoutsFolder(), cut[0])));
        QVERIFY(QFile::exists(fileIn(store->cutoutsFolder(), col[0])));
        QCOMPARE(QDir(store->collagesFolder()).entryList(QDir::Files),
            QStringList { QFileInfo(fileIn({}, col[1])).fileName() });
        QCOMPARE(indexOnDisk(store->indexPath()),
            (Index { entry(cut[2], "cutouts"), entry(cut[0], "cutouts"), entry(col[1], "collages") }));
    }

    void aNewStoreReadsBackWhatWasWritten()
    {
        QList<ClipItem> cutouts;
        QList<CollageItem> collages;
        {
            auto store = makeStore();
            for (int i = 0; i < 3; ++i)
                store->addCutout({ QUuid::createUuid(), pngBytes({ 2, 2 }, Qt::red), at(1700000000123 + i) });
            store->addCollage({ QUuid::createUuid(), pngBytes({ 2, 2 }, Qt::blue), at(1600000000999) });
            store->deleteCutout(store->cutouts()[1].id);
            cutouts = store->cutouts();
            collages = store->collages();
            // No wait: destroying the store finishes the writes it scheduled.
        }
        Log::ScopedCapture log;
        auto store = makeStore();
        QCOMPARE(store->cutouts().size(), 2);
        QCOMPARE(store->collages().size(), 1);
        for (int i = 0; i < 2; ++i) {
            QCOMPARE(store->cutouts()[i].id, cutouts[i].id);
            QCOMPARE(store->cutouts()[i].createdAt, cutouts[i].createdAt);
            QCOMPARE(store->imageDataFor(cutouts[i].id), cutouts[i].imageData);
        }
        QCOMPARE(store->collages()[0].createdAt, collages[0].createdAt);
        QCOMPARE(store->imageDataFor(collages[0].id), collages[0].imageData);

        // A readable index is replaced without keeping a copy.
        store->addCutout({ QUuid::createUuid(), std::nullopt, at(1) });
        store->waitForPendingWrites();
        QCOMPARE(QDir(m_root).entryList(QDir::Files), QStringList { QStringLiteral("gallery-index.json") });
        QVERIFY(log.lines().isEmpty());
    }

    void imageLookupPrefersMemoryThenTheCutoutFolderThenTheCollageFolder()
    {
        auto store = makeStore();
        const QUuid inBothFolders = QUuid::createUuid();
        const QUuid onlyCollageFile = QUuid::createUuid();
        const QUuid memoryCollage = QUuid::createUuid();
        writeFile(fileIn(store->cutoutsFolder(), inBothFolders), "cut-out file");
        writeFile(fileIn(store->collagesFolder(), inBothFolders), "collage file");
        writeFile(fileIn(store->collagesFolder(), onlyCollageFile), "only collage");
        writeFile(fileIn(store->cutoutsFolder(), memoryCollage), "stale file");

        QCOMPARE(store->imageDataFor(inBothFolders), QByteArray("cut-out file"));
        QCOMPARE(store->imageDataFor(onlyCollageFile), QByteArray("only collage"));
        QCOMPARE(store->imageDataFor(QUuid::createUuid()), std::nullopt);
        store->addCollage({ memoryCollage, QByteArray("in memory"), at(0) });
        QCOMPARE(store->imageDataFor(memoryCollage), QByteArray("in memory"));
    }

    void thumbnailMissIsDecodedOffThreadAndHitIsImmediate()
    {
        auto store = makeStore();
        const ClipItem item { QUuid::createUuid(), pngBytes({ 800, 600 }, Qt::red), at(0) };
        store->addCutout(item);

        bool returned = false;
        std::optional<QImage> result;
        store->loadThumbnail(item.id, [&](std::optional<QImage> thumbnail) {
            QVERIFY(returned);
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            result = std::move(thumbnail);
        });
        returned = true;
        QTRY_VERIFY(result.has_value());
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
        QTRY_COMPARE(calls, 1);
        QVERIFY(!result.has_value());

        writeFile(fileIn(store->collagesFolder(), id), pngBytes({ 90, 120 }, Qt::green));
        store->loadThumbnail(id, record);
        QTRY_COMPARE(calls, 2);
        QVERIFY(result.has_value());
    }

    void failedWritesAreLoggedAndTheNextChangeWritesTheIndexInFull()
    {
        auto store = makeStore();
        // Files and folders in the way block the writes even for root.
        QVERIFY(QDir(store->cutoutsFolder()).removeRecursively());
        writeFile(store->cutoutsFolder(), "in the way");
        QVERIFY(QDir().mkpath(store->indexPath() + QStringLiteral("/blocker")));
        Log::ScopedCapture log;
        const ClipItem a { QUuid::createUuid(), pngBytes({ 2, 2 }, Qt::red), at(0) };
        store->addCutout(a);
        store->waitForPendingWrites();
        QCOMPARE(log.lines().size(), 2);
        const QString imagePrefix = QStringLiteral("[GalleryStore] Failed to write image ") + Uuids::canonicalText(a.id)
            + QStringLiteral(": ");
        QVERIFY2(log.lines()[0].startsWith(imagePrefix) && log.lines()[0].size() > imagePrefix.size(),
            qPrintable(log.lines()[0]));
        QVERIFY2(log.lines()[1].startsWith(QStringLiteral("[GalleryStore] Failed to write index: ")),
            qPrintable(log.lines()[1]));
        QCOMPARE(store->imageDataFor(a.id), a.imageData);

        QVERIFY(QDir(store->indexPath()).removeRecursively());
        const ClipItem b { QUuid::createUuid(), std::nullopt, at(1) };
        store->addCutout(b);
        store->waitForPendingWrites();
        QCOMPARE(indexOnDisk(store->indexPath()), (Index { entry(b.id, "cutouts"), entry(a.id, "cutouts") }));
    }

    void anUnreadableIndexIsKeptAsideBeforeTheFirstWrite()
    {
        const QByteArray content("[{\"id\": \"../../x\", \"createdAt\": 1, \"section\": \"cutouts\"}]");
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
        QCOMPARE(indexOnDisk(indexPath), (Index { entry(b.id, "cutouts"), entry(a.id, "cutouts") }));
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
        writeFile(base + QStringLiteral("-2"), "2");
        QCOMPARE(folders.unreadableIndexKeepPath(now), base + QStringLiteral("-3"));
    }

    void legacyCollageFolderIsRenamedOnlyWhenNoCollageFolderExists()
    {
        const QUuid id = QUuid::createUuid();
        QVERIFY(QDir().mkpath(rootPath(QStringLiteral("moodboards"))));
        writeFile(fileIn(rootPath(QStringLiteral("moodboards")), id), "old collage");
        writeFile(rootPath(QStringLiteral("gallery-index.json")),
            "[{\"id\": \"" + Uuids::canonicalText(id).toUtf8() + "\", \"createdAt\": 3, \"section\": \"moodboards\"}]");
        {
            auto store = makeStore();
            QVERIFY(!QFile::exists(rootPath(QStringLiteral("moodboards"))));
            QCOMPARE(store->collages().size(), 1);
            QCOMPARE(store->imageDataFor(id), QByteArray("old collage"));
            store->deleteCutouts({});
            store->waitForPendingWrites();
            QCOMPARE(indexOnDisk(store->indexPath()), (Index { entry(id, "collages") }));
        }

        // Both folders present: the old one stays untouched, "collages" is used.
        const QUuid old = QUuid::createUuid();
        QVERIFY(QDir().mkpath(rootPath(QStringLiteral("moodboards"))));
        writeFile(fileIn(rootPath(QStringLiteral("moodboards")), old), "stays");
        auto store = makeStore();
        QCOMPARE(readFile(fileIn(rootPath(QStringLiteral("moodboards")), old)), QByteArray("stays"));
        QVERIFY(!store->imageDataFor(old).has_value());
    }
};

QTEST_GUILESS_MAIN(GalleryStoreTest)
#include "GalleryStoreTest.moc"
