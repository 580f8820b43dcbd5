#include "platform/AtomicFile.h"
#include "platform/MainQueue.h"
#include "platform/XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <thread>

using namespace std::chrono_literals;

namespace {
QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
} // namespace

class PlatformFilesTest : public QObject {
    Q_OBJECT

private slots:
    void atomicWriteReplacesWholeFileOrReportsAFailure()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("index.json"));
        QVERIFY(!AtomicFile::write(path, QByteArray(10000, 'a')).has_value());
        QVERIFY(!AtomicFile::write(path, "short").has_value());
        QCOMPARE(readAll(path), QByteArray("short"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("index.json") });

        const auto error = AtomicFile::write(dir.filePath(QStringLiteral("no/such/folder/file.png")), "x");
        QVERIFY(error.has_value() && !error->isEmpty());
    }

    void autostartEntryIsWrittenAndRemoved()
    {
        QTemporaryDir dir;
        XdgAutostartLoginItem item(QStringLiteral("/opt/my apps/scrap\"wick"), dir.filePath(QStringLiteral("a/b")));
        QVERIFY(item.setEnabled(true));
        QCOMPARE(QFileInfo(item.entryPath()).fileName(), QStringLiteral("scrapwick.desktop"));
        const QByteArray entry = readAll(item.entryPath());
        QVERIFY2(entry.startsWith("[Desktop Entry]\n") && entry.contains("\nType=Application\n")
                && entry.contains("\nExec=\"/opt/my apps/scrap\\\"wick\"\n"),
            entry.constData());

        QVERIFY(item.setEnabled(false));
        QVERIFY(!QFile::exists(item.entryPath()));
        QVERIFY(item.setEnabled(false)); // already disabled is not a failure
    }

    void mainQueueTakesWorkFromAThreadWithoutAnEventLoop()
    {
        // A timer cannot be started on such a thread: the delayed work must still run.
        QObject context;
        QList<int> order;
        std::thread worker([&] {
            MainQueue::after(30ms, &context, [&] { order << 2; });
            MainQueue::async(&context, [&] { order << 1; });
        });
        worker.join();
        QTRY_COMPARE(order, (QList<int> { 1, 2 }));
    }
};

QTEST_GUILESS_MAIN(PlatformFilesTest)
#include "PlatformFilesTest.moc"
