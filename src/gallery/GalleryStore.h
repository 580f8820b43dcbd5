#pragma once

#include "gallery/GalleryFolders.h"
#include "gallery/GalleryItems.h"
#include "platform/RecordFile.h"

#include <QFuture>
#include <QImage>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUuid>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class SerialQueue;
class ThumbnailCache;
class WriteBacklog;

// The single owner of the Idea Gallery: the two lists (newest first), their PNG
// files, the index file and a cache of thumbnails. Every operation runs on the
// main thread; file writes run in order on the store's own serial queue.
class GalleryStore : public QObject {
    Q_OBJECT

public:
    using ThumbnailCompletion = std::function<void(std::optional<QImage> thumbnail)>;

    // `rootFolder` is the "Scrapwick" data folder; it is prepared and the index
    // read before the constructor returns. An empty path keeps the gallery in
    // memory only.
    explicit GalleryStore(const QString& rootFolder, QObject* parent = nullptr);
    ~GalleryStore() override;

    [[nodiscard]] const QList<ClipItem>& cutouts() const;
    [[nodiscard]] const QList<CollageItem>& collages() const;

    void addCutout(const ClipItem& item);
    // Each goes to the front in turn, so the last one ends up first; one change
    // to redraw and one write of the index for all of them.
    void addCutouts(const QList<ClipItem>& items);
    void addCollage(const CollageItem& item);
    void deleteCutout(const QUuid& id);
    void deleteCollage(const QUuid& id);
    void deleteCutouts(const QSet<QUuid>& ids);
    void deleteCollages(const QSet<QUuid>& ids);

    [[nodiscard]] std::optional<QByteArray> imageDataFor(const QUuid& id) const;

    // A cached thumbnail completes at once, on the calling thread; otherwise it is
    // decoded off the main thread and the completion runs later on the main thread.
    void loadThumbnail(const QUuid& id, ThumbnailCompletion completion);

    [[nodiscard]] QString cutoutsFolder() const;
    [[nodiscard]] QString collagesFolder() const;
    [[nodiscard]] QString indexPath() const;

    // Blocks until every file write submitted so far has finished (tests, benchmarks).
    void waitForPendingWrites();
    // Runs `then` on the write queue once every write submitted so far has
    // finished, without waiting for it: the crash test reports what is on the disk
    // this way.
    void afterPendingWrites(std::function<void()> then);

    // Longest side, in pixels, of a thumbnail.
    static constexpr int maxThumbnailPixel = 360;
    static constexpr int thumbnailCacheCount = 200;

Q_SIGNALS:
    void cutoutsChanged();
    void collagesChanged();

private:
    struct PendingImageWrite {
        QUuid id;
        QByteArray data;
        GallerySection section;
    };

    void loadIndex();
    // Schedules one job that writes the images, rewrites the whole index from a
    // snapshot taken now, then removes the deleted items' files. The
    // `lastAttempt` job, when the store goes, only runs if earlier jobs left
    // something unwritten.
    void persistChange(const QList<PendingImageWrite>& images, const QList<QUuid>& deletions,
        GallerySection deletionSection, bool lastAttempt = false);
    [[nodiscard]] std::optional<QByteArray> imageDataInMemory(const QUuid& id) const;

    const GalleryFolders m_folders;
    const bool m_hasFolder;
    RecordFile m_index;
    std::shared_ptr<WriteBacklog> m_writeBacklog; // only the write jobs touch it
    QList<ClipItem> m_cutouts;
    QList<CollageItem> m_collages;
    std::shared_ptr<ThumbnailCache> m_thumbnailCache;
    QList<QFuture<void>> m_thumbnailWork;
    // Set when the store goes: thumbnail work that has not started yet then ends at once.
    std::shared_ptr<std::atomic<bool>> m_thumbnailsCancelled;
    std::unique_ptr<SerialQueue> m_ioQueue;
};
