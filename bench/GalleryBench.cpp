// Gallery benchmarks: thumbnails of 200 photo-sized PNGs with a cold cache,
// and one write of a 10,000-item index. See docs/PERFORMANCE.md.
#include "PhotoLikeImages.h"

#include "gallery/GalleryIndex.h"
#include "gallery/GalleryStore.h"
#include "platform/AtomicFile.h"
#include "platform/SerialQueue.h"
#include "platform/Uuids.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentMap>

#include <benchmark/benchmark.h>

#include <ctime>
#include <sys/resource.h>

namespace {

constexpr int photoCount = 200;

// CPU time of the whole process (every thread), in seconds. Other programs
// sharing the cores stretch the wall-clock time; this stays comparable.
double processCpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double threadCpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

// A gallery folder whose cut-outs are the photos (linked, not copied) and whose
// index lists them all. The photos come from $SCRAPWICK_BENCH_PHOTOS when set
// (bench/thumbnails.sh shares them with vipsthumbnail), else they are made here.
struct PhotoGallery {
    QTemporaryDir dir;
    QString root;
    QStringList photos;

    PhotoGallery()
    {
        const QString shared = qEnvironmentVariable("SCRAPWICK_BENCH_PHOTOS");
        photos = PhotoLikeImages::make(shared.isEmpty() ? dir.filePath(QStringLiteral("photos")) : shared, photoCount);
        root = dir.filePath(QStringLiteral("Scrapwick"));
        const QDir cutouts(QDir(root).filePath(QStringLiteral("cutouts")));
        QDir().mkpath(cutouts.path());
        QList<ClipItem> items;
        for (const QString& photo : photos) {
            const QString name = QFileInfo(photo).fileName();
            QFile::link(QFileInfo(photo).absoluteFilePath(), cutouts.filePath(name));
            items.append({ QUuid::fromString(name.chopped(4)), std::nullopt, QDateTime::currentDateTimeUtc() });
        }
        (void)AtomicFile::write(QDir(root).filePath(QStringLiteral("gallery-index.json")),
            GalleryIndex::encode(GalleryIndex::entriesFor(items, {})));
    }
};

PhotoGallery& photoGallery()
{
    static PhotoGallery gallery;
    return gallery;
}

// What the grid does when it opens: ask for every thumbnail of a store whose
// cache is empty, and wait until the last one has arrived on the main thread.
void BM_Thumbnails200PhotosColdCache(benchmark::State& state)
{
    PhotoGallery& gallery = photoGallery();
    const double cpuBefore = processCpuSeconds();
    for (auto _ : state) {
        GalleryStore store(gallery.root);
        int done = 0;
        int made = 0;
        QEventLoop loop;
        for (const ClipItem& item : store.cutouts()) {
            store.loadThumbnail(item.id, [&](std::optional<QImage> thumbnail) {
                made += thumbnail && thumbnail->width() == GalleryStore::maxThumbnailPixel;
                if (++done == photoCount)
                    loop.quit();
            });
        }
        loop.exec();
        if (made != photoCount)
            state.SkipWithError("not every thumbnail was made");
    }
    state.SetItemsProcessed(state.iterations() * photoCount);
    state.counters["cpu_s"] = (processCpuSeconds() - cpuBefore) / double(state.iterations());
    state.counters["threads"] = QThreadPool::globalInstance()->maxThreadCount();
}
BENCHMARK(BM_Thumbnails200PhotosColdCache)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// For comparison: Qt's PNG reader asked for the same reduced size, same threads.
void BM_Thumbnails200PhotosQImageReader(benchmark::State& state)
{
    PhotoGallery& gallery = photoGallery();
    const double cpuBefore = processCpuSeconds();
    for (auto _ : state) {
        QtConcurrent::blockingMap(gallery.photos, [](const QString& path) {
            QImageReader reader(path);
            reader.setAutoTransform(true);
            reader.setScaledSize(QSize(360, 270));
            benchmark::DoNotOptimize(reader.read());
        });
    }
    state.SetItemsProcessed(state.iterations() * photoCount);
    state.counters["cpu_s"] = (processCpuSeconds() - cpuBefore) / double(state.iterations());
}
BENCHMARK(BM_Thumbnails200PhotosQImageReader)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

QList<ClipItem> manyCutouts(int count)
{
    QList<ClipItem> items;
    const QDateTime start = QDateTime::currentDateTimeUtc();
    for (int i = 0; i < count; ++i)
        items.append({ QUuid::createUuid(), std::nullopt, start.addMSecs(-1234567 * qint64(i)) });
    return items;
}

// One index write as a persistence job runs it: encode the snapshot and replace
// the file atomically, on the store's queue thread.
void BM_IndexWrite10000Items(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("gallery-index.json"));
    QList<CollageItem> collages;
    for (const ClipItem& item : manyCutouts(3000))
        collages.append({ item.id, std::nullopt, item.createdAt });
    const QList<IndexEntry> entries = GalleryIndex::entriesFor(manyCutouts(7000), collages);
    SerialQueue queue(QStringLiteral("bench.gallery-persistence"));
    bool failed = false;
    double jobCpuSeconds = 0;
    for (auto _ : state) {
        queue.submit([&] {
            const double start = threadCpuSeconds();
            failed |= AtomicFile::write(path, GalleryIndex::encode(entries)).has_value();
            jobCpuSeconds += threadCpuSeconds() - start;
        });
        queue.waitUntilIdle();
    }
    if (failed)
        state.SkipWithError("index write failed");
    state.counters["bytes"] = double(QFileInfo(path).size());
    state.counters["job_cpu_ms"] = jobCpuSeconds * 1000 / double(state.iterations());
}
BENCHMARK(BM_IndexWrite10000Items)->Unit(benchmark::kMillisecond)->UseRealTime();

// The part of a change that stays on the main thread with 10,000 items: the snapshot.
void BM_IndexSnapshot10000Items(benchmark::State& state)
{
    const QList<ClipItem> cutouts = manyCutouts(7000);
    QList<CollageItem> collages;
    for (const ClipItem& item : manyCutouts(3000))
        collages.append({ item.id, std::nullopt, item.createdAt });
    for (auto _ : state)
        benchmark::DoNotOptimize(GalleryIndex::entriesFor(cutouts, collages));
}
BENCHMARK(BM_IndexSnapshot10000Items)->Unit(benchmark::kMicrosecond)->UseRealTime();

// A whole change through the store: snapshot on the calling thread, job on the
// queue, waited for.
void BM_StoreChangeWith10000Items(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString root = dir.filePath(QStringLiteral("Scrapwick"));
    QDir().mkpath(root);
    (void)AtomicFile::write(QDir(root).filePath(QStringLiteral("gallery-index.json")),
        GalleryIndex::encode(GalleryIndex::entriesFor(manyCutouts(10000), {})));
    GalleryStore store(root);
    for (auto _ : state) {
        store.deleteCutouts({});
        store.waitForPendingWrites();
    }
    state.counters["items"] = double(store.cutouts().size());
}
BENCHMARK(BM_StoreChangeWith10000Items)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
