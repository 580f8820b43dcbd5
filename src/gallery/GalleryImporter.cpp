#include "gallery/GalleryImporter.h"

#include "gallery/GalleryStore.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThreadPool>

namespace {
// Pictures converted within this long of the last hand-back wait for the next.
constexpr qint64 handBackIntervalMs = 100;
} // namespace

GalleryImporter::GalleryImporter(GalleryStore& store, QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_cancelled(std::make_shared<std::atomic<bool>>(false))
{
}

GalleryImporter::~GalleryImporter()
{
    *m_cancelled = true;
}

QString GalleryImporter::skippedRemoteLine(const QList<QUrl>& urls)
{
    QStringList texts;
    for (const QUrl& url : urls)
        texts.append(url.toString(QUrl::RemovePassword));
    return QStringLiteral("[Import] Skipped %1 remote file(s): %2")
        .arg(urls.size())
        .arg(texts.join(QStringLiteral(", ")));
}

void GalleryImporter::importPictures(const ImportRequest& request, const QObject* context, Completion completion)
{
    if (!request.skippedRemoteUrls.isEmpty())
        Log::line(skippedRemoteLine(request.skippedRemoteUrls));
    if (request.sources.isEmpty())
        return;
    m_jobs.push_back({ request.sources, context, context != nullptr, std::move(completion), {}, {}, 0 });
    startNext();
    Q_EMIT progressChanged(picturesDone(), picturesAsked());
}

qsizetype GalleryImporter::picturesDone() const
{
    qsizetype done = 0;
    for (const Job& job : m_jobs)
        done += job.done;
    return done;
}

qsizetype GalleryImporter::picturesAsked() const
{
    qsizetype asked = 0;
    for (const Job& job : m_jobs)
        asked += job.sources.size();
    return asked;
}

void GalleryImporter::startNext()
{
    if (m_converting || m_jobs.empty())
        return;
    m_converting = true;
    // The application object outlives the importer, so the hand-back always has
    // a live context; the importer itself is checked on the main thread.
    QThreadPool::globalInstance()->start(
        [sources = m_jobs.front().sources, cancelled = m_cancelled, importer = QPointer<GalleryImporter>(this)] {
            Batch batch;
            QElapsedTimer sinceHandBack;
            sinceHandBack.start();
            const auto handBack = [&](bool finished) {
                batch.finished = finished;
                MainQueue::async(QCoreApplication::instance(), [importer, batch = std::exchange(batch, {})]() mutable {
                    if (importer)
                        importer->deliver(std::move(batch));
                });
                sinceHandBack.restart();
            };
            for (const ImportSource& source : sources) {
                if (*cancelled)
                    return;
                if (std::optional<QByteArray> png = ImageImporter::pngData(source))
                    batch.images.append({ QUuid::createUuid(), std::move(*png) });
                else
                    batch.failedNames.append(source.name);
                ++batch.processed;
                if (sinceHandBack.elapsed() >= handBackIntervalMs)
                    handBack(false);
            }
            handBack(true);
        });
}

void GalleryImporter::deliver(Batch batch)
{
    Job& job = m_jobs.front();
    job.done += batch.processed;
    if (!batch.images.isEmpty()) {
        QList<ClipItem> items;
        const QDateTime now = QDateTime::currentDateTime();
        for (const ImportedImage& image : std::as_const(batch.images))
            items.append({ image.id, image.pngData, now });
        m_store.addCutouts(items);
        job.added += batch.images;
    }
    job.failedNames += batch.failedNames;
    if (!batch.finished) {
        Q_EMIT progressChanged(picturesDone(), picturesAsked());
        return;
    }

    Job finished = std::move(m_jobs.front());
    m_jobs.pop_front();
    m_converting = false;
    if (!finished.failedNames.isEmpty())
        Log::line(QStringLiteral("[Import] Failed to import %1 file(s): %2")
                      .arg(finished.failedNames.size())
                      .arg(finished.failedNames.join(QStringLiteral(", "))));
    startNext();
    Q_EMIT progressChanged(picturesDone(), picturesAsked());
    if (finished.completion && (!finished.hasContext || finished.context))
        finished.completion(finished.added);
}
