#include "gallery/GalleryStore.h"

#include "gallery/GalleryIndex.h"
#include "gallery/ThumbnailCache.h"
#include "gallery/ThumbnailDecoder.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/Uuids.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

std::optional<QByteArray> readWholeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// Everything one persistence job writes, copied on the main thread when the
// change was made: the job never looks at the store, so it also completes when
// the store is destroyed while the job is still queued.
struct PersistenceJob {
    struct ImageWrite {
        QString path;
        QString idText;
        QByteArray data;
    };

    std::optional<ImageWrite> image;
    QStringList deletionPaths;
    QList<IndexEntry> indexSnapshot;
    GalleryFolders folders;
    std::shared_ptr<bool> keepUnreadableIndex;

    void run() const
    {
        if (image) {
            if (const auto error = AtomicFile::write(image->path, image->data))
                Log::line(QStringLiteral("[GalleryStore] Failed to write image ") + image->idText + QStringLiteral(": ")
                    + *error);
        }
        // A file that is already gone is what a deletion wants anyway.
        for (const QString& path : deletionPaths)
            (void)QFile::remove(path);
        writeIndex();
    }

    void writeIndex() const
    {
        if (*keepUnreadableIndex && !keepIndexAside())
            return;
        if (const auto error = AtomicFile::write(folders.index, GalleryIndex::encode(indexSnapshot)))
            Log::line(QStringLiteral("[GalleryStore] Failed to write index: ") + *error);
    }

    // The index file present at start could not be read, so the gallery started
    // without its items. Before the first write replaces it, move it aside so
    // that those items can still be recovered by hand.
    [[nodiscard]] bool keepIndexAside() const
    {
        const QFileInfo index(folders.index);
        if (!index.exists() && !index.isSymLink()) {
            *keepUnreadableIndex = false;
            return true;
        }
        const QString keepPath = folders.unreadableIndexKeepPath(QDateTime::currentDateTimeUtc());
        if (!QDir().rename(folders.index, keepPath)) {
            Log::line(QStringLiteral("[GalleryStore] Failed to keep unreadable index as ") + keepPath
                + QStringLiteral("; index not written"));
            return false;
        }
        *keepUnreadableIndex = false;
        Log::line(QStringLiteral("[GalleryStore] Kept unreadable index as ") + keepPath);
        return true;
    }
};

template <typename Item> bool removeAllWithIds(QList<Item>& items, const QSet<QUuid>& ids)
{
    return items.removeIf([&](const Item& item) { return ids.contains(item.id); }) > 0;
}

} // namespace

GalleryStore::GalleryStore(const QString& rootFolder, QObject* parent)
    : QObject(parent)
    , m_folders(GalleryFolders::inside(rootFolder))
    , m_keepUnreadableIndex(std::make_shared<bool>(false))
    , m_thumbnailCache(std::make_shared<ThumbnailCache>(thumbnailCacheCount))
    , m_ioQueue(std::make_unique<SerialQueue>(QStringLiteral("scrapwick.gallery-persistence")))
{
    m_folders.prepare(rootFolder);
    loadIndex();
}

GalleryStore::~GalleryStore()
{
    // Decoding work hands its result to this object through the event loop, so
    // it must not outlive it; it is short and never waits for the main thread.
    for (QFuture<void>& work : m_thumbnailWork)
        work.waitForFinished();
    // Destroying the queue runs every write already scheduled.
    m_ioQueue.reset();
}

void GalleryStore::loadIndex()
{
    QFile file(m_folders.index);
    if (!file.exists())
        return;
    std::optional<QList<IndexEntry>> entries;
    if (file.open(QIODevice::ReadOnly))
        entries = GalleryIndex::decode(file.readAll());
    if (!entries) {
        *m_keepUnreadableIndex = true;
        return;
    }
    GalleryLists lists = GalleryIndex::itemsFrom(*entries);
    m_cutouts = std::move(lists.cutouts);
    m_collages = std::move(lists.collages);
}

const QList<ClipItem>& GalleryStore::cutouts() const
{
    return m_cutouts;
}

const QList<CollageItem>& GalleryStore::collages() const
{
    return m_collages;
}

QString GalleryStore::cutoutsFolder() const
{
    return m_folders.cutouts;
}

QString GalleryStore::collagesFolder() const
{
    return m_folders.collages;
}

QString GalleryStore::indexPath() const
{
    return m_folders.index;
}

void GalleryStore::addCutout(const ClipItem& item)
{
    m_cutouts.prepend(item);
    Q_EMIT cutoutsChanged();
    std::optional<PendingImageWrite> image;
    if (item.imageData)
        image = PendingImageWrite { item.id, *item.imageData, GallerySection::cutouts };
    persistChange(std::move(image), {}, GallerySection::cutouts);
}

void GalleryStore::addCollage(const CollageItem& item)
{
    m_collages.prepend(item);
    Q_EMIT collagesChanged();
    std::optional<PendingImageWrite> image;
    if (item.imageData)
        image = PendingImageWrite { item.id, *item.imageData, GallerySection::collages };
    persistChange(std::move(image), {}, GallerySection::collages);
}

void GalleryStore::deleteCutout(const QUuid& id)
{
    deleteCutouts({ id });
}

void GalleryStore::deleteCollage(const QUuid& id)
{
    deleteCollages({ id });
}

void GalleryStore::deleteCutouts(const QSet<QUuid>& ids)
{
    if (removeAllWithIds(m_cutouts, ids))
        Q_EMIT cutoutsChanged();
    persistChange(std::nullopt, QList<QUuid>(ids.begin(), ids.end()), GallerySection::cutouts);
}

void GalleryStore::deleteCollages(const QSet<QUuid>& ids)
{
    if (removeAllWithIds(m_collages, ids))
        Q_EMIT collagesChanged();
    persistChange(std::nullopt, QList<QUuid>(ids.begin(), ids.end()), GallerySection::collages);
}

void GalleryStore::persistChange(
    std::optional<PendingImageWrite> image, const QList<QUuid>& deletions, GallerySection deletionSection)
{
    PersistenceJob job;
    if (image)
        job.image = PersistenceJob::ImageWrite { m_folders.imagePath(image->section, image->id),
            Uuids::canonicalText(image->id), image->data };
    for (const QUuid& id : deletions)
        job.deletionPaths.append(m_folders.imagePath(deletionSection, id));
    job.indexSnapshot = GalleryIndex::entriesFor(m_cutouts, m_collages);
    job.folders = m_folders;
    job.keepUnreadableIndex = m_keepUnreadableIndex;
    m_ioQueue->submit([job = std::move(job)] { job.run(); });
}

void GalleryStore::waitForPendingWrites()
{
    m_ioQueue->waitUntilIdle();
}

std::optional<QByteArray> GalleryStore::imageDataInMemory(const QUuid& id) const
{
    for (const ClipItem& item : m_cutouts) {
        if (item.id == id && item.imageData)
            return item.imageData;
    }
    for (const CollageItem& item : m_collages) {
        if (item.id == id && item.imageData)
            return item.imageData;
    }
    return std::nullopt;
}

std::optional<QByteArray> GalleryStore::imageDataFor(const QUuid& id) const
{
    if (auto bytes = imageDataInMemory(id))
        return bytes;
    // The cut-out folder is tried first whichever list the id is in.
    if (auto bytes = readWholeFile(m_folders.imagePath(GallerySection::cutouts, id)))
        return bytes;
    return readWholeFile(m_folders.imagePath(GallerySection::collages, id));
}

void GalleryStore::loadThumbnail(const QUuid& id, ThumbnailCompletion completion)
{
    const QString key = Uuids::canonicalText(id);
    if (auto cached = m_thumbnailCache->find(key)) {
        completion(std::move(cached));
        return;
    }

    // The lists belong to the main thread: take the in-memory bytes (a shared,
    // reference-counted copy) here rather than on the decoding thread.
    auto work = [inMemory = imageDataInMemory(id), cutoutPath = m_folders.imagePath(GallerySection::cutouts, id),
                    collagePath = m_folders.imagePath(GallerySection::collages, id), key, cache = m_thumbnailCache,
                    context = static_cast<const QObject*>(this), completion = std::move(completion)]() mutable {
        std::optional<QByteArray> bytes = inMemory;
        if (!bytes)
            bytes = readWholeFile(cutoutPath);
        if (!bytes)
            bytes = readWholeFile(collagePath);
        std::optional<QImage> thumbnail;
        if (bytes)
            thumbnail = ThumbnailDecoder::thumbnail(*bytes, maxThumbnailPixel);
        // A failure is not remembered: the file may turn up later.
        if (thumbnail)
            cache->insert(key, *thumbnail);
        MainQueue::async(
            context, [completion = std::move(completion), thumbnail = std::move(thumbnail)] { completion(thumbnail); });
    };

    m_thumbnailWork.removeIf([](const QFuture<void>& work) { return work.isFinished(); });
    m_thumbnailWork.append(QtConcurrent::run(QThreadPool::globalInstance(), std::move(work)));
}
