#include "platform/AtomicFile.h"
#include "platform/MainQueue.h"
#include "platform/XdgAutostartLoginItem.h"

#include <QDir>
#include <QFile>
#include <QSettings>
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

class PlatformFilesTest : public QObject
{
    Q_OBJECT

private slots:
    void atomicWriteReplacesWholeFileAndLeavesNoTemporaries()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("index.json"));
        QVERIFY(!AtomicFile::write(path, QByteArray(10000, 'a')).has_value());
        QVERIFY(!AtomicFile::write(path, "short").has_value());
        QCOMPARE(readAll(path), QByteArray("short"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("index.json")});
    }

    void atomicWriteReportsAFailureAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString missingFolder = dir.filePath(QStringLiteral("no/such/folder/file.png"));
        const auto error = AtomicFile::write(missingFolder, "x");
        QVERIFY(error.has_value());
        QVERIFY(!error->isEmpty());
    }

    void autostartEntryIsWrittenAndRemoved()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("config/autostart"));
        XdgAutostartLoginItem item(QStringLiteral("/opt/my apps/scrap\"wick"), folder);

        QVERIFY(item.setEnabled(true));
        QVERIFY(QFile::exists(item.entryPath()));
        QCOMPARE(QFileInfo(item.entryPath()).fileName(), QStringLiteral("scrapwick.desktop"));

        QSettings entry(item.entryPath(), QSettings::IniFormat);
        entry.beginGroup(QStringLiteral("Desktop Entry"));
        QCOMPARE(entry.value(QStringLiteral("Type")).toString(), QStringLiteral("Application"));
        QCOMPARE(readAll(item.entryPath()).contains("Exec=\"/opt/my apps/scrap\\\"wick\"\n"), true);

        QVERIFY(item.setEnabled(false));
        QVERIFY(!QFile::exists(item.entryPath()));
        // Disabling when already disabled is not a failure.
        QVERIFY(item.setEnabled(false));
    }

    void mainQueueRunsWorkFromOtherThreadsOnTheContextThreadInOrder()
    {
        QObject context;
        QList<int> order;
        std::thread worker([&] {
            MainQueue::after(30ms, &context, [&] { order << 3; });
            MainQueue::async(&context, [&] { order << 1; });
            MainQueue::async(&context, [&] {
                QCOMPARE(QThread::currentThread(), context.thread());
                order << 2;
            });
        });
        worker.join();
        QTRY_COMPARE(order, (QList<int>{1, 2, 3}));
    }

    void mainQueueDropsWorkWhoseContextIsGone()
    {
        bool ran = false;
        {
            QObject context;
            MainQueue::async(&context, [&] { ran = true; });
            MainQueue::after(1ms, &context, [&] { ran = true; });
        }
        QTest::qWait(20);
        QVERIFY(!ran);
    }
};

QTEST_GUILESS_MAIN(PlatformFilesTest)
#include "PlatformFilesTest.moc"
