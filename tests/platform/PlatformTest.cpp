#include "platform/AtomicFile.h"
#include "platform/DisplaySession.h"
#include "platform/HelperScreenCapture.h"
#include "platform/InstallLayout.h"
#include "platform/Log.h"
#include "platform/NotificationCenter.h"
#include "platform/RecordFile.h"
#include "platform/XdgAutostartLoginItem.h"
#include "support/TestFiles.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <thread>

namespace {
const QString n = QStringLiteral("n");

// A handler that appends `label`, followed by the user info's "k", to `calls`.
NotificationCenter::Handler recordAs(QStringList& calls, const char* label)
{
    return
        [&calls, label](const QVariantMap& info) { calls << QString::fromLatin1(label) + info.value("k").toString(); };
}
} // namespace

class PlatformTest : public QObject {
    Q_OBJECT

private slots:
    void notificationsGoInRegistrationOrderToLiveObserversUntilRemoved()
    {
        NotificationCenter center;
        QObject a, b, c, late, remover;
        auto victim = std::make_unique<QObject>();
        QStringList calls;
        {
            QObject destroyedBefore;
            center.addObserver(&destroyedBefore, n, recordAs(calls, "destroyed before"));
        }
        center.addObserver(&b, n, recordAs(calls, "b"));
        center.addObserver(&a, n, recordAs(calls, "a"));
        center.addObserver(&c, QStringLiteral("other"), recordAs(calls, "c"));
        center.addObserver(&a, QStringLiteral("m"), recordAs(calls, "m"));
        // Destroyed during a post: skipped. Added during a post: heard from the next one.
        center.addObserver(&remover, n, [&](const QVariantMap&) {
            calls << QStringLiteral("remover");
            victim.reset();
            center.addObserver(&late, n, recordAs(calls, "late"));
        });
        center.addObserver(victim.get(), n, recordAs(calls, "victim"));
        center.post(n, { { QStringLiteral("k"), QStringLiteral("!") } });
        center.removeObserver(&remover);
        // The controller re-registers with "remove, then add": one delivery, after
        // the observers that registered in between.
        center.removeObserver(&a, n);
        center.addObserver(&a, n, recordAs(calls, "a again"));
        center.post(n);
        center.post(QStringLiteral("m"));
        center.removeObserver(&a);
        center.post(n);
        center.post(QStringLiteral("m"));
        QCOMPARE(calls, (QStringList { "b!", "a!", "remover", "b", "late", "a again", "m", "b", "late" }));
    }

    void logCaptureRecordsLinesFromEveryThreadWhole()
    {
        Log::ScopedCapture capture;
        const auto write = [](char who) {
            for (int i = 0; i < 100; ++i)
                Log::line(QStringLiteral("[%1] line %2").arg(who).arg(i));
        };
        std::thread other(write, 'B');
        write('A');
        other.join();
        const QStringList lines = capture.lines();
        QCOMPARE(lines.filter(QRegularExpression(QStringLiteral("^\\[[AB]\\] line \\d+$"))).size(), 200);
        QCOMPARE(lines.size(), 200);
        QVERIFY(lines.indexOf(QStringLiteral("[B] line 10")) < lines.indexOf(QStringLiteral("[B] line 11")));

        // Outside text (a file name, an address) can neither end a line nor forge another.
        Log::line(QStringLiteral("[Import] Failed: a\nb\r\u2029c\td\u0085e"));
        QCOMPARE(
            capture.lines().constLast(), QStringLiteral("[Import] Failed: a\\u{a}b\\u{d}\\u{2029}c\\u{9}d\\u{85}e"));
    }

    // The login manager's word first; without it, a Wayland socket means Wayland.
    void sessionTypeFromTheEnvironment()
    {
        using enum DisplaySessionType;
        // WAYLAND_DISPLAY unset by the user is still no X11 screen to read; "x11" with a
        // socket is a nested compositor inside an X11 session.
        const std::tuple<const char*, const char*, DisplaySessionType> cases[] = { { "wayland", "wayland-0", wayland },
            { "Wayland", "", wayland }, { "x11", "wayland-0", x11 }, { "", "", x11 }, { "", "wayland-1", wayland },
            { "tty", "wayland-1", wayland }, { "unspecified", " ", x11 } };
        for (const auto& [type, socket, expected] : cases)
            QVERIFY2(DisplaySession::detect(type, socket) == expected, type);
    }

    void autostartEntryIsWrittenAndRemoved()
    {
        XdgAutostartLoginItem item(QStringLiteral("/opt/my apps/scrap\"wick"), m_dir.filePath(QStringLiteral("a/b")));
        QVERIFY(item.setEnabled(true) && item.entryPath().endsWith(QStringLiteral("/scrapwick.desktop")));
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
        QVERIFY(!record.read() && record.makeWayForWrite()); // no file is no reason to move anything

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
        QVERIFY(log.lines().size() == 1 && log.lines().first().startsWith(prefix));
        QCOMPARE(readFile(log.lines().first().mid(prefix.size())), QByteArray("{ damaged"));
        // Written since: a later write replaces it as usual.
        QVERIFY(!AtomicFile::write(path, "{}") && record.makeWayForWrite());
        QCOMPARE(readFile(path), QByteArray("{}"));
        QCOMPARE(log.lines().size(), 1);
    }

    void captureHelperIsFoundInTheInstalledTreeFirstThenBesideTheApp()
    {
        // What the installed place and the app's own folder hold ("." nothing, "x" an executable
        // helper, "-" a file that is not executable), and whether the installed one is named:
        // it wins when both run, and is named when nothing runs.
        const std::pair<const char*, bool> cases[]
            = { { "x.", true }, { ".x", false }, { "xx", true }, { "-x", false }, { ".-", true }, { "..", true } };
        for (const auto& [places, expectInstalled] : cases) {
            const QTemporaryDir prefix;
            const QString appFolder = prefix.filePath(QStringLiteral("bin"));
            QVERIFY(QDir().mkpath(appFolder));
            const QString installed = QDir::cleanPath(appFolder + '/'
                + QLatin1String(InstallLayout::helperFolderFromAppFolder) + QStringLiteral("/scrapwick-screencapture"));
            const QString besideTheApp = appFolder + QStringLiteral("/scrapwick-screencapture");
            QVERIFY(installed.startsWith(prefix.path() + '/') && installed != besideTheApp);
            for (const auto& [path, holds] : { std::pair { installed, places[0] }, { besideTheApp, places[1] } }) {
                const QFile::Permissions readWrite = QFile::ReadOwner | QFile::WriteOwner;
                QVERIFY(holds == '.'
                    || (writeFile(path, "#!/bin/sh\n")
                        && QFile::setPermissions(path, holds == 'x' ? readWrite | QFile::ExeOwner : readWrite)));
            }
            QVERIFY2(
                HelperScreenCapture(nullptr, appFolder).toolProgram() == (expectInstalled ? installed : besideTheApp),
                places);
        }
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(PlatformTest)
#include "PlatformTest.moc"
