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
#include "platform/WriteBacklog.h"

#include <QFile>
#include <QFileInfo>
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

    PersistenceJob(RecordFile indexFile, GalleryFolders folders, std::shared_ptr<WriteBacklog> backlog)
        : index(std::move(indexFile))
        , folders(std::move(folders))
        , backlog(std::move(backlog))
    {
    }

    RecordFile index;
    GalleryFolders folders;
    std::shared_ptr<WriteBacklog> backlog;
    QList<ImageWrite> images;
    QStringList deletionPaths;
    QList<IndexEntry> indexSnapshot;
    // The job submitted when the store goes: it only tries again what earlier jobs could not write.
    bool lastAttempt = false;

    // Images first, so the index never names one that is not on the disk; removals
    // last, so no index on the disk names a file that is gone.
    void run() const
    {
        if (lastAttempt && !backlog->isBehind())
            return;
        QStringList removals;
        for (const QString& path : deletionPaths) {
            if (!backlog->forget(path))
                removals.append(path);
        }
        for (const ImageWrite& image : images)
            backlog->write(image.path, image.idText, image.data);
        backlog->retry(lastAttempt);
        bool written = index.makeWayForWrite();
        if (written) {
            if (const auto error = AtomicFile::write(index.path(), GalleryIndex::encode(entriesOnDisk()))) {
                Log::line(QStringLiteral("[GalleryStore] Failed to write index: ") + *error);
                written = false;
            }
        }
        // A file that is already gone is what a deletion wants anyway.
        for (const QString& path : backlog->afterRecordWrite(written, removals))
            (void)QFile::remove(path);
    }

    // The snapshot without the items whose image is still waiting to be written.
    QList<IndexEntry> entriesOnDisk() const
    {
        if (!backlog->hasWaitingPictures())
            return indexSnapshot;
        QList<IndexEntry> entries = indexSnapshot;
        entries.removeIf([this](const IndexEntry& entry) {
            const auto section = entry.section == sectionName(GallerySection::cutouts) ? GallerySection::cutouts
                                                                                       : GallerySection::collages;
            return backlog->isWaiting(folders.imagePath(section, entry.id));
        });
        return entries;
    }
};

// The first job on the write queue, so it sees the files the index was written
// with: removes what writes cut short by a kill left, and reports once each index
// entry whose image is in neither folder (it shows as an empty cell).
void tidyAtStart(const GalleryFolders& folders, const QList<QUuid>& ids)
{
    AtomicFile::removeLeftovers(QFileInfo(folders.index).absolutePath(), QFileInfo(folders.index).fileName());
    for (const GallerySection section : allGallerySections)
        AtomicFile::removeLeftovers(folders.folderOf(section), QStringLiteral("*.png"));
    for (const QUuid& id : ids) {
        if (!QFileInfo::exists(folders.imagePath(GallerySection::cutouts, id))
            && !QFileInfo::exists(folders.imagePath(GallerySection::collages, id)))
            Log::line(QStringLiteral("[GalleryStore] Missing image file for item ") + Uuids::canonicalText(id));
    }
}

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
    , m_writeBacklog(std::make_shared<WriteBacklog>(QStringLiteral("[GalleryStore]"), QStringLiteral("image")))
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
    QList<QUuid> ids;
    ids.reserve(m_cutouts.size() + m_collages.size());
    for (const ClipItem& item : std::as_const(m_cutouts))
        ids.append(item.id);
    for (const CollageItem& item : std::as_const(m_collages))
        ids.append(item.id);
    m_ioQueue->submit([folders = m_folders, ids = std::move(ids)] { tidyAtStart(folders, ids); });
}

GalleryStore::~GalleryStore()
{
    // Decoding work hands its result to this object through the event loop, so
    // it must not outlive it. Work still queued ends at once; work under way is
    // short and never waits for the main thread.
    *m_thumbnailsCancelled = true;
    for (QFuture<void>& work : m_thumbnailWork)
        work.waitForFinished();
    // A last try at whatever a full or failing disk kept from being written.
    persistChange({}, {}, GallerySection::cutouts, true);
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

void GalleryStore::persistChange(const QList<PendingImageWrite>& images, const QList<QUuid>& deletions,
    GallerySection deletionSection, bool lastAttempt)
{
    if (!m_hasFolder)
        return;
    PersistenceJob job(m_index, m_folders, m_writeBacklog);
    job.indexSnapshot = GalleryIndex::entriesFor(m_cutouts, m_collages);
    job.lastAttempt = lastAttempt;
    for (const PendingImageWrite& image : images)
        job.images.append({ m_folders.imagePath(image.section, image.id), Uuids::canonicalText(image.id), image.data });
    for (const QUuid& id : deletions)
        job.deletionPaths.append(m_folders.imagePath(deletionSection, id));
    m_ioQueue->submit([job = std::move(job)] { job.run(); });
}

void GalleryStore::waitForPendingWrites()
{
    m_ioQueue->waitUntilIdle();
}

void GalleryStore::afterPendingWrites(std::function<void()> then)
{
    m_ioQueue->submit(std::move(then));
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
