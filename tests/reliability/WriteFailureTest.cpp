#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/Log.h"
#include "support/TestFiles.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// No file this process writes may grow past `bytes` (RLIM_INFINITY: any size): a
// write beyond fails with EFBIG, SIGXFSZ ignored, as on a full disk. (Tests run
// as root, whom folder permissions do not stop, and a read-only mount is not to be had.)
void limitFileSize(rlim_t bytes)
{
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit {};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = std::min(bytes, limit.rlim_max);
    QVERIFY(setrlimit(RLIMIT_FSIZE, &limit) == 0);
}

// Either store seen the same way: pictures added and removed, their files, the record.
struct Stores {
    QTemporaryDir dir;
    bool onCanvas = false;
    std::unique_ptr<GalleryStore> gallery = std::make_unique<GalleryStore>(dir.path());
    std::unique_ptr<CanvasStore> canvas = std::make_unique<CanvasStore>(*gallery, dir.path());

    QUuid add(const QByteArray& png)
    {
        const QUuid id = QUuid::createUuid();
        if (!onCanvas)
            gallery->addCutout({ id, png, QDateTime::currentDateTimeUtc() });
        return onCanvas && !canvas->addLayer(id, png, {}, false) ? canvas->layers().last().id : id;
    }
    void remove(const QUuid& id) { onCanvas ? canvas->deleteLayer(id) : gallery->deleteCutout(id); }
    void wait() { onCanvas ? canvas->waitForPendingWrites() : gallery->waitForPendingWrites(); }
    QString fileOf(const QUuid& id) const { return pngIn(dir.filePath(onCanvas ? "canvas-layers" : "cutouts"), id); }
    QString record() const { return readFile(dir.filePath(onCanvas ? "canvas.json" : "gallery-index.json")); }
};

} // namespace

// A full disk, for real: what the disk refuses is logged once, what was on the
// disk stays intact, the program goes on, and the first write that can be made
// again carries everything, the refused picture included.
class WriteFailureTest : public QObject {
    Q_OBJECT

private slots:
    void aFullDiskLosesNothing()
    {
        // The gallery and the canvas, each then changed once more or ended.
        for (const auto& [onCanvas, storeGoes] :
            { std::pair(false, false), { false, true }, { true, false }, { true, true } })
            aFullDiskLosesNothing(onCanvas, storeGoes);
    }

private:
    void aFullDiskLosesNothing(bool onCanvas, bool storeGoes)
    {
        Stores stores;
        stores.onCanvas = onCanvas;
        QList<QUuid> ids;
        for (int i = 0; i < 30; ++i)
            ids.append(stores.add(solidPng(4, 4)));
        stores.wait();
        // Below the 16 KB Qt buffers: a failed write of this size used to be committed cut short.
        const QString before = stores.record();
        QVERIFY(before.size() > 2048 && before.size() < 12000);
        QImage noise(64, 64, QImage::Format_ARGB32); // 16 KB that do not compress
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32*>(noise.bits()), 64 * 64);
        const QByteArray large = pngOf(noise);

        Log::ScopedCapture log;
        limitFileSize(2048); // the small pictures fit; the record and the large picture do not
        const QUuid refused = stores.add(large);
        const QUuid added = stores.add(solidPng(4, 4));
        stores.remove(ids[0]);
        stores.wait();
        limitFileSize(RLIM_INFINITY);
        const QString failedRecord
            = QLatin1String(onCanvas ? "[CanvasStore] Failed to write canvas.json: File too large"
                                     : "[GalleryStore] Failed to write index: File too large");
        const QString picture
            = QLatin1String(onCanvas ? "[CanvasStore] %1 layer image " : "[GalleryStore] %1 image ") + upperId(refused);
        QCOMPARE(log.lines(),
            (QStringList { picture.arg("Failed to write") + QStringLiteral(": File too large"), failedRecord,
                failedRecord, failedRecord }));
        QCOMPARE(stores.record(), before);
        // The record on the disk still names the removed picture, so its file stays for now.
        QVERIFY(!QFile::exists(stores.fileOf(refused)) && QFile::exists(stores.fileOf(added))
            && QFile::exists(stores.fileOf(ids[0])));
        QCOMPARE(QFileInfo(stores.fileOf(added)).dir().entryList(QDir::Files | QDir::Hidden).size(),
            31); // no temporary files
        // Meanwhile the user still has the picture, from memory.
        QCOMPARE(onCanvas ? stores.canvas->layers()[29].imageData : stores.gallery->imageDataFor(refused), large);

        limitFileSize(12000); // the records fit again, the large picture still does not
        stores.add(solidPng(4, 4));
        stores.wait();
        limitFileSize(RLIM_INFINITY);
        QVERIFY(stores.record().contains(upperId(added)) && !stores.record().contains(upperId(refused)));
        QVERIFY(!QFile::exists(stores.fileOf(ids[0])));

        if (storeGoes)
            stores.canvas.reset(), stores.gallery.reset();
        else
            stores.add(solidPng(4, 4)), stores.wait();
        QCOMPARE(
            log.lines().mid(4), QStringList { picture.arg("Wrote") + QStringLiteral(" after an earlier failure") });
        QCOMPARE(readFile(stores.fileOf(refused)), large);
        const QString after = stores.record();
        QVERIFY(
            after.contains(upperId(refused)) && after.contains(upperId(ids[29])) && !after.contains(upperId(ids[0])));
    }
};

QTEST_GUILESS_MAIN(WriteFailureTest)
#include "WriteFailureTest.moc"
