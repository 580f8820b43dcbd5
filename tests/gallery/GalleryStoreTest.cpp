#include "gallery/GalleryStore.h"
#include "platform/Log.h"
#include "support/TestFiles.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

namespace {

using Index = QList<QPair<QString, QString>>;
const auto entry = [](const QUuid& id, const char* section) { return std::pair(upperId(id), QString(section)); };

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

QByteArray entryJson(const QString& id, const QByteArray& createdAt, const char* section)
{
    return "{\"id\": \"" + id.toUtf8() + "\", \"createdAt\": " + createdAt + ", \"section\": \"" + section + "\"}";
}

const QDateTime someDate = QDateTime::fromSecsSinceEpoch(1715000000, Qt::UTC);

} // namespace

class GalleryStoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_root;

    std::unique_ptr<GalleryStore> makeStore() { return std::make_unique<GalleryStore>(m_root); }
    QString rootPath(const char* relative) const { return m_root + QLatin1Char('/') + QString::fromLatin1(relative); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_root = m_dir->filePath(QStringLiteral("Scrapwick"));
    }

    void addsGoFirstDeletionsTouchOnlyTheirSectionAndBytesComeFromMemoryFirst()
    {
        auto store = makeStore();
        QList<QUuid> cut, col;
        // Quick successive changes, no waiting in between: the index must reflect all of them.
        for (int i = 0; i < 3; ++i) {
            store->addCutout({ cut.emplaceBack(QUuid::createUuid()), QByteArray("c") + char('0' + i), someDate });
            store->addCollage({ col.emplaceBack(QUuid::createUuid()), QByteArray("m"), someDate });
        }
        store->addCollage({ col.emplaceBack(QUuid::createUuid()), std::nullopt, someDate });
        // Several at once, as an import hands them back: each goes first in
        // turn, and the grid hears of them once.
        QSignalSpy changes(store.get(), &GalleryStore::cutoutsChanged);
        store->addCutouts({ { cut.emplaceBack(QUuid::createUuid()), QByteArray("c3"), someDate },
            { cut.emplaceBack(QUuid::createUuid()), std::nullopt, someDate } });
        QCOMPARE(changes.count(), 1);
        store->waitForPendingWrites();
        QCOMPARE(readFile(pngIn(store->cutoutsFolder(), cut[2])), QByteArray("c2"));
        QCOMPARE(readFile(pngIn(store->cutoutsFolder(), cut[3])), QByteArray("c3"));
        // A cut-out file carrying a collage's id must survive that collage's deletion;
        // the file of an id no longer listed is still removed.
        writeFile(pngIn(store->cutoutsFolder(), col[1]), "other");
        const QUuid stray = QUuid::createUuid();
        writeFile(pngIn(store->collagesFolder(), stray), "stray");

        store->deleteCutout(cut[1]);
        store->deleteCollages({ col[1], col[3], stray });
        store->waitForPendingWrites();
        QCOMPARE(idsIn(store->cutoutsFolder()), (QSet<QUuid> { cut[0], cut[2], cut[3], col[1] }));
        QCOMPARE(idsIn(store->collagesFolder()), (QSet<QUuid> { col[0], col[2] }));
        QCOMPARE(indexOnDisk(store->indexPath()),
            (Index { entry(cut[4], "cutouts"), entry(cut[3], "cutouts"), entry(cut[2], "cutouts"),
                entry(cut[0], "cutouts"), entry(col[2], "collages"), entry(col[0], "collages") }));

        // Bytes come from memory, then the cut-out folder, then the collage folder.
        const QUuid inBoth = QUuid::createUuid(), onlyCollage = QUuid::createUuid();
        writeFile(pngIn(store->cutoutsFolder(), inBoth), "cut-out file");
        writeFile(pngIn(store->collagesFolder(), inBoth), "collage file");
        writeFile(pngIn(store->collagesFolder(), onlyCollage), "only collage");
        writeFile(pngIn(store->cutoutsFolder(), col[0]), "stale file");
        const QList<std::optional<QByteArray>> found { store->imageDataFor(inBoth), store->imageDataFor(onlyCollage),
            store->imageDataFor(col[0]), store->imageDataFor(stray) };
        QCOMPARE(found, (QList<std::optional<QByteArray>> { "cut-out file", "only collage", "m", std::nullopt }));
    }

    void theIndexIsReadLenientlyAndRewrittenInItsFormat()
    {
        const QString cutout = QStringLiteral("0A1B2C3D-4E5F-4A6B-8C7D-9E0FA1B2C3D4"),
                      collage = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321"),
                      legacy = QStringLiteral("11111111-2222-4333-8444-555555555555");
        writeFile(pngIn(rootPath("moodboards"), QUuid::fromString(legacy)), "old collage");
        // Any key order, extra keys and whitespace are fine and lower-case ids are still ids;
        // the old collage section is mapped, an unknown one dropped, the file order kept.
        writeFile(rootPath("gallery-index.json"),
            "\n[\t" + entryJson(collage, "-10.5", "collages") + ",{\"section\":\"cutouts\",\"extra\":[1,2],"
                + "\"createdAt\":725760000.25,\"id\":\"" + cutout.toUtf8() + "\"},"
                + entryJson(upperId(QUuid::createUuid()), "3", "other") + ","
                + entryJson(legacy.toLower(), "4.5", "moodboards") + "]  \n");
        Log::ScopedCapture log;
        {
            auto store = makeStore();
            // Seconds since 2001-01-01 UTC: 2024-01-01 is Unix 1704067200, less 978307200.
            QCOMPARE(store->cutouts()[0].createdAt, QDateTime(QDate(2024, 1, 1), QTime(0, 0, 0, 250), Qt::UTC));
            QCOMPARE(store->collages()[0].createdAt, QDateTime(QDate(2000, 12, 31), QTime(23, 59, 49, 500), Qt::UTC));
            // The old collage folder is renamed when no "collages" folder exists.
            QVERIFY(!QFile::exists(rootPath("moodboards")));
            QCOMPARE(store->imageDataFor(QUuid::fromString(legacy)), QByteArray("old collage"));
            store->deleteCutouts({}); // no wait: destroying the store finishes the writes it scheduled
        }
        const QByteArray text = readFile(rootPath("gallery-index.json"));
        QCOMPARE(QByteArray(text).replace(' ', "").replace('\n', ""),
            "[{\"id\":\"" + cutout.toUtf8() + "\",\"createdAt\":725760000.25,\"section\":\"cutouts\"},{\"id\":\""
                + collage.toUtf8() + "\",\"createdAt\":-10.5,\"section\":\"collages\"},{\"id\":\"" + legacy.toUtf8()
                + "\",\"createdAt\":4.5,\"section\":\"collages\"}]");
        // A readable index is replaced without keeping a copy. Items listed without an image
        // file in either folder are each reported once, at start; they stay listed.
        QCOMPARE(QDir(m_root).entryList(QDir::Files), QStringList { QStringLiteral("gallery-index.json") });
        const QString missing = QStringLiteral("[GalleryStore] Missing image file for item ");
        QCOMPARE(log.lines(), (QStringList { missing + cutout, missing + collage }));
        // With both folders present the old one stays and "collages" is used.
        QVERIFY(QDir().mkpath(rootPath("moodboards")));
        QCOMPARE(makeStore()->imageDataFor(QUuid::fromString(legacy)), QByteArray("old collage"));
        QVERIFY(QFileInfo(rootPath("moodboards")).isDir());
    }

    void anUnreadableIndexStartsEmptyAndIsKeptAside()
    {
        const QString id = QStringLiteral("FEDCBA98-7654-4321-8FED-CBA987654321");
        const QByteArray good = entryJson(id, "1.5", "cutouts");
        const QByteArray indexes[] = { "[{\"id\": ", "", "[" + good + ",42]", // not JSON, empty, not an object
            "[" + good + ",{\"id\": \"" + id.toUtf8() + "\", \"createdAt\": 1}]", // no section
            "[" + good + "," + entryJson(id, "\"1.5\"", "cutouts") + "]", // createdAt as text
            "[" + good + "," + entryJson(id, "1e300", "cutouts") + "]", // createdAt beyond any date
            "[" + good + "," + entryJson(QStringLiteral("../../x"), "1", "cutouts") + "]", // an id that is a path
            // Well-formed, but too large to be read whole at start.
            "[" + good + QByteArray(RecordFile::maxBytes, ' ') + "]" };
        for (const QByteArray& json : indexes) {
            init();
            writeFile(rootPath("gallery-index.json"), json);
            Log::ScopedCapture log;
            auto store = makeStore();
            QVERIFY2(store->cutouts().isEmpty() && store->collages().isEmpty(), json.left(80).constData());
            QCOMPARE(readFile(rootPath("gallery-index.json")), json);

            const QUuid added = QUuid::createUuid();
            store->addCutout({ added, std::nullopt, someDate });
            store->waitForPendingWrites();
            const QStringList kept = QDir(m_root).entryList({ QStringLiteral("gallery-index.json.unreadable-*") });
            const QString keptPath = QDir(m_root).filePath(kept.value(0));
            QVERIFY(kept.size() == 1 && readFile(keptPath) == json);
            QCOMPARE(
                log.lines(), QStringList { QStringLiteral("[GalleryStore] Kept unreadable index as ") + keptPath });
            QCOMPARE(indexOnDisk(store->indexPath()), Index { entry(added, "cutouts") });
        }
    }

    void withoutADataFolderNothingIsWrittenAndThumbnailsComeFromMemory()
    {
        // Started in a folder that holds an old "moodboards" folder: nothing there may change.
        QVERIFY(QDir().mkpath(m_dir->filePath(QStringLiteral("moodboards"))));
        const QString startFolder = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir->path()));
        Log::ScopedCapture log;
        {
            GalleryStore store { QString() };
            const QUuid id = QUuid::createUuid();
            const QByteArray png = solidPng(800, 400, Qt::blue);
            store.addCutout({ id, png, someDate });
            store.addCollage({ QUuid::createUuid(), std::nullopt, someDate });
            store.deleteCollage(QUuid::createUuid());
            QCOMPARE(store.imageDataFor(id), png);
            std::optional<QImage> thumbnail;
            store.loadThumbnail(id, [&](std::optional<QImage> image) { thumbnail = std::move(image); });
            QTRY_VERIFY(thumbnail.has_value());
            QCOMPARE(thumbnail->size(), QSize(360, 180));
        }
        QVERIFY(QDir::setCurrent(startFolder));
        QCOMPARE(log.lines().size(), 1);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("moodboards") });
    }

    void destroyingTheStoreDuringThumbnailWorkIsSafe()
    {
        // Large enough that decoding is still under way, or not yet started, when the store goes.
        const QByteArray png = solidPng(2500, 2500);
        int completions = 0;
        {
            GalleryStore store { QString() };
            for (int i = 0; i < 16; ++i) {
                const QUuid id = QUuid::createUuid();
                store.addCutout({ id, png, someDate });
                store.loadThumbnail(id, [&completions](std::optional<QImage>) { ++completions; });
            }
        }
        // Results handed back to the destroyed store are dropped, not delivered.
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        QCOMPARE(completions, 0);
    }
};

QTEST_GUILESS_MAIN(GalleryStoreTest)
#include "GalleryStoreTest.moc"
