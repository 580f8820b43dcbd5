#include "platform/AtomicFile.h"
#include "platform/Log.h"
#include "platform/RecordFile.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QTest>

class PlatformFilesTest : public QObject {
    Q_OBJECT

private slots:
    void atomicWriteReplacesWholeFileOrReportsAFailure()
    {
        QTemporaryDir dir; // holding nothing else
        const QString path = dir.filePath(QStringLiteral("index.json"));
        QVERIFY(!AtomicFile::write(path, QByteArray(10000, 'a')) && !AtomicFile::write(path, "short"));
        QCOMPARE(readFile(path), QByteArray("short"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList { QStringLiteral("index.json") });
        const auto error = AtomicFile::write(dir.filePath(QStringLiteral("no/such/folder/file.png")), "x");
        QVERIFY(error.has_value() && !error->isEmpty());
    }

    void autostartEntryIsWrittenAndRemoved()
    {
        XdgAutostartLoginItem item(QStringLiteral("/opt/my apps/scrap\"wick"), m_dir.filePath(QStringLiteral("a/b")));
        QVERIFY(item.setEnabled(true));
        QCOMPARE(QFileInfo(item.entryPath()).fileName(), QStringLiteral("scrapwick.desktop"));
        const QByteArray entry = readFile(item.entryPath());
        QVERIFY2(entry.startsWith("[Desktop Entry]\n") && entry.contains("\nType=Application\n")
                && entry.contains("\nExec=\"/opt/my apps/scrap\\\"wick\"\n"),
            entry.constData());
        QVERIFY(item.setEnabled(false) && !QFile::exists(item.entryPath()));
        QVERIFY(item.setEnabled(false)); // already disabled is not a failure
    }

    void anUnreadableRecordIsMovedAsideOnceAndNeverOverAnEarlierOne()
    {
        const QString path = m_dir.filePath(QStringLiteral("canvas.json"));
        RecordFile record(path, QStringLiteral("[Test]"), QStringLiteral("record"));
        QVERIFY(!record.read().has_value());
        QVERIFY(record.makeWayForWrite()); // no file is no reason to move anything

        // 12:34:56 in UTC+1 is 11:34:56 UTC.
        const QDateTime now(QDate(2025, 3, 9), QTime(12, 34, 56), Qt::OffsetFromUTC, 3600);
        const QString base = path + QStringLiteral(".unreadable-20250309-113456");
        QCOMPARE(record.keepAsidePath(now), base);
        QVERIFY(!AtomicFile::write(base, "1") && !AtomicFile::write(base + QStringLiteral("-2"), "2"));
        QCOMPARE(record.keepAsidePath(now), base + QStringLiteral("-3"));

        QVERIFY(!AtomicFile::write(path, "{ damaged"));
        QCOMPARE(record.read(), std::optional<QByteArray>("{ damaged"));
        record.markUnreadable();
        const RecordFile jobCopy = record; // as a write job carries it
        Log::ScopedCapture log;
        QVERIFY(jobCopy.makeWayForWrite() && !QFile::exists(path));
        const QString prefix = QStringLiteral("[Test] Kept unreadable record as ");
        QCOMPARE(log.lines().size(), 1);
        QVERIFY(log.lines().first().startsWith(prefix));
        QCOMPARE(readFile(log.lines().first().mid(prefix.size())), QByteArray("{ damaged"));
        // Written since: a later write replaces it as usual.
        QVERIFY(!AtomicFile::write(path, "{}") && record.makeWayForWrite());
        QCOMPARE(readFile(path), QByteArray("{}"));
        QCOMPARE(log.lines().size(), 1);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(PlatformFilesTest)
#include "PlatformFilesTest.moc"
