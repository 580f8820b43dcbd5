// The crash test: a workload program (StoreWorkload) drives the real stores on a
// data folder and is killed with SIGKILL at a random moment, round after round on
// the same folder. After each round the folder is checked against what the
// workload reported, and the stores are started on it, in this process, as the
// app would start them. The randomness is seeded and the seed printed: `--seed`
// replays the same choices (where a kill lands still depends on timing).
//
//   test_crash [--rounds 50] [--changes 1000] [--seed N] [--folder DIR]
//   test_crash --workload ROOT SEED CHANGES      (started by the test itself)

#include "StoreWorkload.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryIndex.h"
#include "gallery/GalleryStore.h"
#include "platform/Log.h"
#include "platform/Uuids.h"
#include "support/TestFiles.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>

#include <random>
#include <thread>

namespace {

// What the workload reported, as far as the gallery's listing goes.
struct Journal {
    QHash<QUuid, QByteArray> hashes; // of every picture stored, by gallery item
    QHash<QUuid, qint64> addedIn; // the change that added an item; 0 for those listed when the round began
    QHash<QUuid, qint64> goneIn; // the change that deleted one
    qint64 done = 0; // the gallery's writes of every change up to this one have finished
    bool recordsWritten = false; // by an earlier check: from then on both must be there

    void take(const QByteArray& line)
    {
        const QList<QByteArray> words = line.split(' ');
        const QUuid id = QUuid::fromString(QLatin1String(words.value(2)));
        if (words[0] == "item")
            addedIn.insert(id, words[1].toLongLong()), hashes.insert(id, words.value(3));
        else if (words[0] == "gone")
            goneIn.insert(id, words[1].toLongLong());
        else if (words[0] == "done")
            done = words[1].toLongLong();
    }
};

// The temporary files of atomic writes that a kill cut short.
QStringList temporaryFiles(const QString& root)
{
    QStringList found;
    for (QDirIterator file(
             root, { "*.png.??????", "*.json.??????" }, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
         file.hasNext();)
        found.append(file.next());
    return found;
}

// Starts the workload and kills it once the gallery's writes of `killAfter`
// changes have finished, plus `delay`. True when it was killed rather than done.
bool runWorkload(const QString& root, quint64 seed, int changes, qint64 killAfter, std::chrono::microseconds delay,
    Journal& journal, QStringList& problems)
{
    QProcess workload;
    workload.start(QCoreApplication::applicationFilePath(),
        { "--workload", root, QString::number(seed), QString::number(changes) });
    if (!workload.waitForStarted())
        qFatal("the workload did not start");
    const auto take = [&] {
        while (workload.canReadLine()) {
            const QByteArray line = workload.readLine().chopped(1);
            line.startsWith('[') ? void(std::printf("%s\n", line.constData())) : journal.take(line); // logged
        }
    };
    for (bool killed = false; workload.state() == QProcess::Running; take(), workload.waitForReadyRead(100))
        if (!killed && journal.done >= killAfter)
            std::this_thread::sleep_for(delay), workload.kill(), killed = true;
    workload.waitForFinished();
    take();
    if (workload.exitStatus() == QProcess::NormalExit && workload.exitCode() != 0)
        problems.append("the workload failed");
    return workload.exitStatus() == QProcess::CrashExit;
}

// The folder a round left: both records parse, and are absent only while never
// written; every picture they name is there with the bytes stored for its item;
// every item whose adding was written is listed, unless deleted since, and none
// whose deletion was written. Then the stores start on it: they read everything,
// log nothing, tidy what the kill left and make one more change, which the next
// round starts from.
void checkLeftovers(const QString& root, Journal& journal, QStringList& problems)
{
    const auto checkPicture = [&](const QString& folder, const QUuid& id, const QUuid& itemId) {
        const QString path = pngIn(root + '/' + folder, id);
        if (QByteArray::number(qHash(readFile(path), 0)) != journal.hashes.value(itemId))
            problems.append(path + " is missing or does not hold what was stored");
    };
    const QString indexPath = root + "/gallery-index.json";
    const QString canvasPath = root + "/canvas.json";
    const auto entries = QFile::exists(indexPath) ? GalleryIndex::decode(readFile(indexPath)) : QList<IndexEntry>();
    const auto canvas
        = QFile::exists(canvasPath) ? CanvasPersistState::decode(readFile(canvasPath)) : CanvasPersistState();
    if (!entries || !canvas)
        return problems.append("a record does not parse");
    if (journal.recordsWritten && !(QFile::exists(indexPath) && QFile::exists(canvasPath)))
        problems.append("a record written earlier is gone");
    QSet<QUuid> listed;
    for (const IndexEntry& entry : *entries)
        listed.insert(entry.id), checkPicture(entry.section, entry.id, entry.id);
    for (auto item = journal.addedIn.cbegin(); item != journal.addedIn.cend(); ++item) {
        const qint64 gone = journal.goneIn.value(item.key(), -1);
        if (item.value() <= journal.done && gone < 0 && !listed.contains(item.key()))
            problems.append("item " + Uuids::canonicalText(item.key()) + ", written, is not listed");
        if (gone >= 0 && gone <= journal.done && listed.contains(item.key()))
            problems.append("item " + Uuids::canonicalText(item.key()) + ", deleted, is listed");
    }
    for (const LayerEntry& layer : canvas->layers)
        checkPicture("canvas-layers", layer.id, layer.clipItemId); // a layer keeps its item's bytes

    const QUuid id = QUuid::createUuid();
    const QByteArray png = solidPng(7, 5, Qt::darkCyan);
    Log::ScopedCapture log;
    {
        GalleryStore gallery(root);
        CanvasStore board(gallery, root);
        if (gallery.cutouts().size() + gallery.collages().size() != listed.size()
            || board.layers().size() != canvas->layers.size())
            problems.append("the stores did not read every item and layer back");
        gallery.addCutout({ id, png, QDateTime::currentDateTimeUtc() });
        (void)board.addLayer(id, png, {}, false);
    } // the stores finish their writes as they go
    if (!log.lines().isEmpty())
        problems.append("the restarted stores logged: " + log.lines().join(" | "));
    problems += temporaryFiles(root);
    if (!readFile(indexPath).contains(Uuids::canonicalText(id).toLatin1())
        || !readFile(canvasPath).contains(Uuids::canonicalText(id).toLatin1()))
        problems.append("the change after the restart was not written");
    journal = Journal { journal.hashes, { { id, 0 } }, {}, 0, true };
    journal.hashes.insert(id, QByteArray::number(qHash(png, 0)));
    for (const QUuid& item : std::as_const(listed))
        journal.addedIn.insert(item, 0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.value(1) == "--workload" && arguments.size() == 5)
        return runStoreWorkload(arguments[2], arguments[3].toULongLong(), arguments[4].toInt());
    const auto option = [&](const char* name, const QString& fallback) {
        const qsizetype at = arguments.indexOf(QLatin1String(name));
        return at > 0 ? arguments.value(at + 1) : fallback;
    };
    const int rounds = option("--rounds", "50").toInt();
    const int changes = std::max(1, option("--changes", "1000").toInt());
    const quint64 seed = option("--seed", QString::number(std::random_device()())).toULongLong();
    // tmpfs when there is one: a kill leaves the page cache as it is, so what a
    // round leaves is the same on any filesystem, and the rounds run several times faster.
    const QString folder = option("--folder", QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath());
    std::printf("crash test: seed %llu, %d rounds of up to %d changes in %s\n", static_cast<unsigned long long>(seed),
        rounds, changes, qPrintable(folder));

    QTemporaryDir dir(folder + "/scrapwick-crash-XXXXXX");
    const QString root = dir.filePath("Scrapwick");
    std::mt19937_64 random(seed);
    Journal journal;
    const auto start = std::chrono::steady_clock::now();
    int kills = 0, failed = 0, leftovers = 0;
    qint64 written = 0;
    for (int round = 1; round <= rounds; ++round) {
        const qint64 killAfter = std::uniform_int_distribution<qint64>(0, changes - 1)(random);
        const std::chrono::microseconds delay(std::uniform_int_distribution<int>(0, 1000)(random));
        QStringList problems;
        kills += runWorkload(root, seed * 1000 + quint64(round), changes, killAfter, delay, journal, problems);
        written += journal.done;
        leftovers += int(temporaryFiles(root).size());
        checkLeftovers(root, journal, problems);
        if (!problems.isEmpty()) {
            ++failed;
            std::printf("round %d of seed %llu:\n  %s\n", round, static_cast<unsigned long long>(seed),
                qPrintable(problems.join("\n  ")));
        }
    }
    std::printf("%d rounds, %d killed, %lld changes written before the kills, %d temporary files left by them, %d "
                "rounds failed, %.1f s\n",
        rounds, kills, static_cast<long long>(written), leftovers, failed,
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    return failed == 0 ? 0 : 1;
}
