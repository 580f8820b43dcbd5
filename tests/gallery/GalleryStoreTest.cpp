#include "gallery/GalleryStore.h"
#include "gallery/GalleryFolders.h"
#include "platform/Log.h"
#include "platform/Uuids.h"

#include <QBuffer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace {

using Index = QList<QPair<QString, QString>>;

QByteArray pngBytes(QSize size)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::red);
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

// The image files in a folder, as the ids they are named after.
QSet<QUuid> idsIn(const QString& folder)
{
    QSet<QUuid> ids;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        ids.insert(QUuid::fromString(name.chopped(4)));
    return ids;
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
    QString rootPath(const char* relative) const { return QDir(m_root).filePath(QString::fromLatin1(relative)); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_root = m_dir->filePath(QStringLiteral("Scrapwick"));
    }

    void cleanup() { m_dir.reset(); }

    void addedItemsGoFirstInTheListAndTheFiles()
    {
        auto store = makeStore();
        const ClipItem first { QUuid::createUuid(), QByteArray("first"), at(1) };
        const ClipItem second { QUuid::createUuid(), QByteArray("second"), at(2) };
        const CollageItem collage { QUuid::createUuid(), QByteArray("collage"), at(3) };
        const CollageItem withoutData { QUuid::createUuid(), std::nullopt, at(4) };
        // Quick successive changes, no waiting in between: the index must reflect all of them.
        store->addCutout(first);
        store->addCollage(collage);
        store->addCutout(second);
        store->addCollage(withoutData);
        QCOMPARE(store->cutouts().size(), 2);
        QCOMPARE(store->cutouts()[0].id, second.id);
        QCOMPARE(store->collages()[0].id, withoutData.id);

        store->waitForPendingWrites();
        QCOMPARE(readFile(fileIn(store->cutoutsFolder(), second.id)), QByteArray("second"));
        QCOMPARE(idsIn(store->cutoutsFolder()), (QSet<QUuid> { first.id, second.id }));
        QCOMPARE(idsIn(store->collagesFolder()), QSet<QUuid> { collage.id });
        QCOMPARE(indexOnDisk(store->indexPath()),
            (Index { entry(second.id, "cutouts"), entry(first.id, "cutouts"), entry(withoutData.id, "collages"),
                entry(collage.id, "collages") }));
    }

    void deletionsRemoveItemsAndTheirFilesOnlyInTheirSection()
    {
        auto store = makeStore();
        QList<QUuid> cut, col;
        for (int i = 0; i < 3; ++i) {
            store->addCutout({ cut.emplaceBack(QUuid::createUuid()), QByteArray("c"), at(i) });
            store->addCollage({ col.emplaceBack(QUuid::createUuid()), QByteArray("m"), at(i) });
        }
        store->waitForPendingWrites();
        // A cut-out file carrying a collage's id must survive that collage's deletion;
        // the file of an id no longer listed is still removed.
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
        QCOMPARE(idsIn(store->cutoutsFolder()), (QSet<QUuid> { cut[0], cut[2], col[0] }));
        QCOMPARE(idsIn(store->collagesFolder()), QSet<QUuid> { col[1] });
        QCOMPARE(indexOnDisk(store->indexPath()),
            (Index { entry(cut[2], "cutouts"), entry(cut[0], "cutouts"), entry(col[1], "collages") }));
    }

    void aNewStoreReadsBackWhatWasWritten()
    {
        QList<ClipItem> cutouts;
        QList<CollageItem> collages;
        {
            auto store = makeStore();
            store->addCutout({ QUuid::createUuid(), QByteArray("a"), at(1700000000123) });
            store->addCutout({ QUuid::createUuid(), QByteArray("b"), at(1700000000124) });
            // Before 2001: a negative number of seconds in the index.
            store->addCollage({ QUuid::createUuid(), QByteArray("c"), at(900000000999) });
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
        }
        QCOMPARE(store->collages()[0].createdAt, collages[0].createdAt);
        QCOMPARE(store->imageDataFor(collages[0].id), QByteArray("c"));

        // A readable index is replaced without keeping a copy.
        store->addCutout({ QUuid::createUuid(), std::nullopt, at(1) });
        store->waitForPendingWrites();
        QCOMPARE(QDir(m_root).entryList(QDir::Files), QStringList { QStringLiteral("gallery-index.json") });
        QVERIFY(log.lines().isEmpty());
    }

    void imageLookupPrefersMemoryThenTheCutoutFolderThenTheCollageFolder()
    {
        auto store = makeStore();
        const QUuid inBothFolders = QUuid::createUuid(), onlyCollageFile = QUuid::createUuid(),
                    memoryCollage = QUuid::createUuid();
        writeFile(fileIn(store->cutoutsFolder(), inBothFolders), "cut-out file");
        writeFile(fileIn(store->collagesFolder(), inBothFolders), "collage file");
        writeFile(fileIn(store->collagesFolder(), onlyCollageFile), "only collage");
        writeFile(fileIn(store->cutoutsFolder(), memoryCollage), "stale file");
        store->addCollage({ memoryCollage, QByteArray("in memory"), at(0) });

        QCOMPARE(store->imageDataFor(inBothFolders), QByteArray("cut-out file"));
        QCOMPARE(store->imageDataFor(onlyCollageFile), QByteArray("only collage"));
        QCOMPARE(store->imageDataFor(memoryCollage), QByteArray("in memory"));
        QCOMPARE(store->imageDataFor(QUuid::createUuid()), std::nullopt);
    }

    void thumbnailMissIsDecodedOffThreadHitIsImmediateFailureIsRetried()
    {
        auto store = makeStore();
        const QUuid id = QUuid::createUuid();
        store->addCollage({ id, std::nullopt, at(0) });
        int calls = 0;
        bool returned = false;
        std::optional<QImage> result;
        const auto record = [&](std::optional<QImage> thumbnail) {
            QVERIFY(returned);
            QCOMPARE(QThread::currentThread(), QCoreApplication::instance()->thread());
            ++calls;
            result = std::move(thumbnail);
        };
        store->loadThumbnail(id, record); // no bytes anywhere: a failure, not cached
        returned = true;
        QTRY_COMPARE(calls, 1);
        QVERIFY(!result.has_value());

        writeFile(fileIn(store->collagesFolder(), id), pngBytes({ 800, 600 }));
        returned = false;
        store->loadThumbnail(id, record);
        returned = true;
        QTRY_COMPARE(calls, 2);
        QVERIFY(result.has_value());
        QCOMPARE(result->size(), QSize(360, 270));
        QCOMPARE(QColor(result->pixel(180, 135)), QColor(Qt::red));

        // Served from the cache: synchronously, even with the bytes gone.
        QVERIFY(QFile::remove(fileIn(store->collagesFolder(), id)));
        result.reset();
        store->loadThumbnail(id, [&](std::optional<QImage> thumbnail) { result = std::move(thumbnail); });
        QVERIFY(result.has_value());
        QCOMPARE(result->size(), QSize(360, 270));
    }

    void aFailedIndexWriteIsLoggedAndTheNextChangeWritesItInFull()
    {
        auto store = makeStore();
        QVERIFY(QDir().mkpath(store->indexPath() + QStringLiteral("/blocker"))); // in the way even for root
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
        QCOMPARE(indexOnDisk(store->indexPath()), (Index { entry(b.id, "cutouts"), entry(a.id, "cutouts") }));
    }

    void anUnreadableIndexIsKeptAsideBeforeTheFirstWrite()
    {
        const QByteArray content("[{\"id\": \"../../x\", \"createdAt\": 1, \"section\": \"cutouts\"}]");
        QVERIFY(QDir().mkpath(m_root));
        writeFile(rootPath("gallery-index.json"), content);
        Log::ScopedCapture log;
        auto store = makeStore();
        QVERIFY(store->cutouts().isEmpty() && store->collages().isEmpty());
        QCOMPARE(readFile(rootPath("gallery-index.json")), content);

        const ClipItem a { QUuid::createUuid(), std::nullopt, at(0) };
        const ClipItem b { QUuid::createUuid(), std::nullopt, at(1) };
        store->addCutout(a);
        store->addCutout(b);
        store->waitForPendingWrites();
        const QStringList kept = QDir(m_root).entryList({ QStringLiteral("gallery-index.json.unreadable-*") });
        QCOMPARE(kept.size(), 1);
        const QString keptPath = QDir(m_root).filePath(kept[0]);
        QCOMPARE(readFile(keptPath), content);
        QCOMPARE(log.lines(), QStringList { QStringLiteral("[GalleryStore] Kept unreadable index as ") + keptPath });
        QCOMPARE(indexOnDisk(store->indexPath()), (Index { entry(b.id, "cutouts"), entry(a.id, "cutouts") }));
    }

    void keepNamesNeverReplaceAnEarlierKeptIndex()
    {
        const GalleryFolders folders = GalleryFolders::inside(m_root);
        QVERIFY(QDir().mkpath(m_root));
        // 12:34:56 in UTC+1 is 11:34:56 UTC.
        const QDateTime now(QDate(2025, 3, 9), QTime(12, 34, 56), Qt::OffsetFromUTC, 3600);
        const QString base = rootPath("gallery-index.json.unreadable-20250309-113456");
        QCOMPARE(folders.unreadableIndexKeepPath(now), base);
        writeFile(base, "1");
        writeFile(base + QStringLiteral("-2"), "2");
        QCOMPARE(folders.unreadableIndexKeepPath(now), base + QStringLiteral("-3"));
    }

    void legacyCollageFolderIsRenamedOnlyWhenNoCollageFolderExists()
    {
        const QUuid id = QUuid::createUuid();
        QVERIFY(QDir().mkpath(rootPath("moodboards")));
        writeFile(fileIn(rootPath("moodboards"), id), "old collage");
        writeFile(rootPath("gallery-index.json"),
            "[{\"id\": \"" + Uuids::canonicalText(id).toUtf8() + "\", \"createdAt\": 3, \"section\": \"moodboards\"}]");
        {
            auto store = makeStore();
            QVERIFY(!QFile::exists(rootPath("moodboards")));
            QCOMPARE(store->collages().size(), 1);
            QCOMPARE(store->imageDataFor(id), QByteArray("old collage"));
            store->deleteCutouts({});
            store->waitForPendingWrites();
            QCOMPARE(indexOnDisk(store->indexPath()), (Index { entry(id, "collages") }));
        }
        // Both folders present: the old one stays, "collages" is used.
        QVERIFY(QDir().mkpath(rootPath("moodboards")));
        auto store = makeStore();
        QVERIFY(QFileInfo(rootPath("moodboards")).isDir());
        QCOMPARE(store->imageDataFor(id), QByteArray("old collage"));
    }
};

QTEST_GUILESS_MAIN(GalleryStoreTest)
#include "GalleryStoreTest.moc"
