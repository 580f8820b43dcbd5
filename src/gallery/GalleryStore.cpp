#include "gallery/GalleryStore.h"

#include "gallery/GalleryIndex.h"
#include "gallery/ThumbnailCache.h"
#include "gallery/ThumbnailDecoder.h"
#include "platform/ApplicationId.h"
#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/SerialQueue.h"
#include "platform/Uuids.h"

#include <QFile>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

namespace {

// Nothing for an empty path (a store without a data folder).
std::optional<QByteArray> readWholeFile(const QString& path)
{
    if (path.isEmpty())
        return std::nullopt;
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

    explicit PersistenceJob(RecordFile indexFile)
        : index(std::move(indexFile))
    {
    }

    RecordFile index;
    QList<ImageWrite> images;
    QStringList deletionPaths;
    QList<IndexEntry> indexSnapshot;

    void run() const
    {
        for (const ImageWrite& image : images) {
            if (const auto error = AtomicFile::write(image.path, image.data))
                Log::line(QStringLiteral("[GalleryStore] Failed to write image ") + image.idText + QStringLiteral(": ")
                    + *error);
        }
        // A file that is already gone is what a deletion wants anyway.
        for (const QString& path : deletionPaths)
            (void)QFile::remove(path);
        if (!index.makeWayForWrite())
            return;
        if (const auto error = AtomicFile::write(index.path(), GalleryIndex::encode(indexSnapshot)))
            Log::line(QStringLiteral("[GalleryStore] Failed to write index: ") + *error);
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
    , m_hasFolder(!rootFolder.isEmpty())
    , m_index(m_folders.index, QStringLiteral("[GalleryStore]"), QStringLiteral("index"))
    , m_thumbnailCache(std::make_shared<ThumbnailCache>(thumbnailCacheCount))
    , m_thumbnailsCancelled(std::make_shared<std::atomic<bool>>(false))
    , m_ioQueue(std::make_unique<SerialQueue>(applicationQueueLabel(QStringLiteral("gallery-persistence"))))
{
    // Without a data folder the paths would be relative to the working directory:
    // folders would be created, or a "moodboards" folder renamed, wherever the
    // program happened to be started.
    if (!m_hasFolder) {
        Log::line(QStringLiteral("[GalleryStore] No data folder found; the gallery will not be saved"));
        return;
    }
    m_folders.prepare(rootFolder);
    loadIndex();
}

GalleryStore::~GalleryStore()
{
    // Decoding work hands its result to this object through the event loop, so
    // it must not outlive it. Work still queued ends at once; work under way is
    // short and never waits for the main thread.
    *m_thumbnailsCancelled = true;
    for (QFuture<void>& work : m_thumbnailWork)
        work.waitForFinished();
    // Destroying the queue runs every write already scheduled.
    m_ioQueue.reset();
}

void GalleryStore::loadIndex()
{
    const auto bytes = m_index.read();
    if (!bytes)
        return;
    const auto entries = GalleryIndex::decode(*bytes);
    if (!entries) {
        m_index.markUnreadable();
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
    addCutouts({ item });
}

void GalleryStore::addCutouts(const QList<ClipItem>& items)
{
    QList<PendingImageWrite> images;
    for (const ClipItem& item : items) {
        m_cutouts.prepend(item);
        if (item.imageData)
            images.append({ item.id, *item.imageData, GallerySection::cutouts });
    }
    Q_EMIT cutoutsChanged();
    persistChange(images, {}, GallerySection::cutouts);
}

void GalleryStore::addCollage(const CollageItem& item)
{
    m_collages.prepend(item);
    Q_EMIT collagesChanged();
    QList<PendingImageWrite> images;
    if (item.imageData)
        images.append({ item.id, *item.imageData, GallerySection::collages });
    persistChange(images, {}, GallerySection::collages);
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
    persistChange({}, QList<QUuid>(ids.begin(), ids.end()), GallerySection::cutouts);
}

void GalleryStore::deleteCollages(const QSet<QUuid>& ids)
{
    if (removeAllWithIds(m_collages, ids))
        Q_EMIT collagesChanged();
    persistChange({}, QList<QUuid>(ids.begin(), ids.end()), GallerySection::collages);
}

void GalleryStore::persistChange(
    const QList<PendingImageWrite>& images, const QList<QUuid>& deletions, GallerySection deletionSection)
{
    if (!m_hasFolder)
        return;
    PersistenceJob job(m_index);
    for (const PendingImageWrite& image : images)
        job.images.append({ m_folders.imagePath(image.section, image.id), Uuids::canonicalText(image.id), image.data });
    for (const QUuid& id : deletions)
        job.deletionPaths.append(m_folders.imagePath(deletionSection, id));
    job.indexSnapshot = GalleryIndex::entriesFor(m_cutouts, m_collages);
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
    if (auto bytes = imageDataInMemory(id); bytes || !m_hasFolder)
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
    const auto pathIn
        = [&](GallerySection section) { return m_hasFolder ? m_folders.imagePath(section, id) : QString(); };
    auto work = [inMemory = imageDataInMemory(id), cutoutPath = pathIn(GallerySection::cutouts),
                    collagePath = pathIn(GallerySection::collages), key, cache = m_thumbnailCache,
                    cancelled = m_thumbnailsCancelled, context = static_cast<const QObject*>(this),
                    completion = std::move(completion)]() mutable {
        if (*cancelled)
            return;
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
