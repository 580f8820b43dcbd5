#include "capture/CapturePipeline.h"
#include "capture/LassoSmoothing.h"
#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"

#include "support/TestDoubles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {
QImage patternScreen()
{
    QImage image(800, 600, QImage::Format_RGB32);
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, (x / 256) * 16 + y / 256));
    return image;
}

QPainterPath polygon(const QList<QPointF>& points)
{
    return LassoSmoothing::closedPolygonPath(points);
}
} // namespace

// Runs the pipeline against stand-in capture helpers: shell scripts with the
// real helper's command line that record their arguments and copy a known
// screen image (or fail).
class CapturePipelineTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_screenPng;
    std::unique_ptr<QTemporaryDir> m_galleryRoot;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<GalleryStore> m_store;
    std::unique_ptr<NotificationRecorder> m_posts;

    QString helperScript(const QString& name, const QString& body)
    {
        const QString path = m_work.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        file.write("#!/bin/sh\n" + body.toUtf8() + "\n");
        file.close();
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    // Copies the pattern into the file named by the last argument and records
    // the arguments, one line per run.
    QString copyingHelper()
    {
        return helperScript(QStringLiteral("copying-helper"),
            QStringLiteral("echo \"$@\" >> '%1'\ncp '%2' \"$3\"")
                .arg(m_work.filePath(QStringLiteral("calls")), m_screenPng));
    }

    QStringList helperCalls() const
    {
        QFile file(m_work.filePath(QStringLiteral("calls")));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    CapturePipeline pipeline(const QString& program)
    {
        return CapturePipeline(*m_store, m_platform->pasteboard, m_platform->notifications, program);
    }

    // Waits until the capture has ended crop mode.
    bool waitForExit(int count = 1)
    {
        return QTest::qWaitFor([&] { return m_posts->names.size() >= count; }, 5000);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_work.isValid());
        m_screenPng = m_work.filePath(QStringLiteral("screen.png"));
        QVERIFY(patternScreen().save(m_screenPng, "PNG"));
    }

    void init()
    {
        QFile::remove(m_work.filePath(QStringLiteral("calls")));
        m_galleryRoot = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<TestPlatform>();
        m_store = std::make_unique<GalleryStore>(m_galleryRoot->path());
        m_posts = std::make_unique<NotificationRecorder>(
            m_platform->notifications, QStringList { CommandNames::exitCropMode });
    }

    void cleanup()
    {
        m_posts.reset();
        m_store->waitForPendingWrites();
        m_store.reset();
        m_platform.reset();
        m_galleryRoot.reset();
    }

    void storesCopiesAndEndsCropMode()
    {
        Log::ScopedCapture log;
        QWidget overlay;
        overlay.show();
        // Box (10, 20)–(110.5, 70) in points, screen 300 points high at scale 2.
        pipeline(copyingHelper())
            .hideAndCapture(&overlay, polygon({ { 10, 20 }, { 110.5, 20 }, { 110.5, 70 }, { 10, 70 } }), 2.0, 300);
        QVERIFY(overlay.isHidden()); // gone before the screen is photographed
        QVERIFY(m_platform->pasteboard.images.isEmpty()); // the capture waits 0.1 s

        QVERIFY(waitForExit());
        QCOMPARE(m_posts->names, QStringList { CommandNames::exitCropMode });

        QCOMPARE(m_platform->pasteboard.images.size(), 1);
        const QImage copied = m_platform->pasteboard.images.first();
        QCOMPARE(copied.size(), QSize(201, 100));
        QCOMPARE(copied.deviceIndependentSize(), QSizeF(100.5, 50));
        const QImage screen = patternScreen();
        // Points y 70 is pixel row (300 − 70)·2 = 460.
        QCOMPARE(copied.pixel(0, 0), screen.pixel(20, 460));
        QCOMPARE(copied.pixel(200, 99), screen.pixel(220, 559));

        QCOMPARE(m_store->cutouts().size(), 1);
        const ClipItem& item = m_store->cutouts().first();
        QVERIFY(!item.id.isNull());
        QVERIFY(qAbs(item.createdAt.secsTo(QDateTime::currentDateTime())) < 10);
        QVERIFY(item.imageData.has_value());
        QImage stored;
        QVERIFY(stored.loadFromData(*item.imageData, "PNG"));
        QCOMPARE(stored.size(), QSize(201, 100));
        QCOMPARE(stored.pixel(37, 41), screen.pixel(57, 501));

        QVERIFY(log.lines().contains(QStringLiteral("crop complete, size: (100.5, 50.0)")));
    }

    void helperGetsAPrivateUniqueFileThatIsRemovedAfterwards()
    {
        const CapturePipeline capture = pipeline(copyingHelper());
        capture.hideAndCapture(nullptr, polygon({ { 0, 0 }, { 40, 0 }, { 40, 40 } }), 1.0, 300);
        capture.hideAndCapture(nullptr, polygon({ { 50, 50 }, { 90, 50 }, { 90, 90 } }), 1.0, 300);
        QVERIFY(waitForExit(2));
        QCOMPARE(m_store->cutouts().size(), 2);

        const QStringList calls = helperCalls();
        QCOMPARE(calls.size(), 2);
        QStringList files;
        for (const QString& call : calls) {
            const QStringList arguments = call.split(QLatin1Char(' '));
            QCOMPARE(arguments.size(), 3);
            QCOMPARE(arguments[0], QStringLiteral("-x"));
            QCOMPARE(arguments[1], QStringLiteral("-m"));
            files << arguments[2];
        }
        for (const QString& file : files) {
            const QFileInfo info(file);
            QVERIFY2(info.fileName().startsWith(QLatin1String("scrapwick_cap_")), qPrintable(file));
            QVERIFY2(!info.exists(), "the temporary file is deleted");
            QVERIFY2(!QFileInfo::exists(info.absolutePath()), "its private folder too");
        }
        QVERIFY(QFileInfo(files[0]).absolutePath() != QFileInfo(files[1]).absolutePath());
    }

    void theHelpersFolderIsPrivate()
    {
        // The stand-in reports the mode of the folder it is asked to write into.
        const QString modeFile = m_work.filePath(QStringLiteral("mode"));
        const QString program = helperScript(QStringLiteral("mode-helper"),
            QStringLiteral("stat -c '%a %u' \"$(dirname \"$3\")\" > '%1'\nid -u >> '%1'").arg(modeFile));
        pipeline(program).hideAndCapture(nullptr, polygon({ { 0, 0 }, { 40, 0 }, { 40, 40 } }), 1.0, 300);
        QVERIFY(waitForExit());
        QFile file(modeFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        const QStringList modeAndOwner = lines[0].split(QLatin1Char(' '));
        QCOMPARE(modeAndOwner[0], QStringLiteral("700"));
        QCOMPARE(modeAndOwner[1], lines[1]);
    }

    void failuresStoreNothingAndEndCropMode_data()
    {
        QTest::addColumn<QString>("helperBody");
        QTest::addColumn<bool>("hasLasso");
        QTest::addColumn<QList<QPointF>>("lasso");
        QTest::addColumn<QString>("logged");

        const QList<QPointF> box { { 10, 10 }, { 60, 10 }, { 60, 60 } };
        QTest::newRow("helper writes nothing")
            << QStringLiteral("exit 1") << true << box << QStringLiteral("screencapture failed");
        QTest::newRow("helper writes garbage")
            << QStringLiteral("echo nonsense > \"$3\"") << true << box << QStringLiteral("screencapture failed");
        QTest::newRow("helper missing") << QString() << true << box << QStringLiteral("screencapture failed");
        QTest::newRow("no lasso") << QStringLiteral("cp '%1' \"$3\"") << false << QList<QPointF>() << QString();
        QTest::newRow("zero height") << QStringLiteral("cp '%1' \"$3\"") << true
                                     << QList<QPointF> { { 10, 50 }, { 60, 50 }, { 120, 50 } } << QString();
        QTest::newRow("outside the screen")
            << QStringLiteral("cp '%1' \"$3\"") << true << QList<QPointF> { { 500, 10 }, { 600, 10 }, { 600, 60 } }
            << QStringLiteral("cropping failed");
    }
    void failuresStoreNothingAndEndCropMode()
    {
        QFETCH(QString, helperBody);
        QFETCH(bool, hasLasso);
        QFETCH(QList<QPointF>, lasso);
        QFETCH(QString, logged);

        const QString program = helperBody.isNull()
            ? m_work.filePath(QStringLiteral("no-such-helper"))
            : helperScript(QStringLiteral("helper"),
                helperBody.contains(QLatin1String("%1")) ? helperBody.arg(m_screenPng) : helperBody);
        Log::ScopedCapture log;
        pipeline(program).hideAndCapture(nullptr, hasLasso ? std::optional(polygon(lasso)) : std::nullopt, 2.0, 300);
        QVERIFY(waitForExit());
        QTest::qWait(50); // nothing more may follow
        QCOMPARE(m_posts->names, QStringList { CommandNames::exitCropMode });
        QVERIFY(m_platform->pasteboard.images.isEmpty());
        QVERIFY(m_store->cutouts().isEmpty());
        QCOMPARE(log.lines(), logged.isEmpty() ? QStringList() : QStringList { logged });
    }

    void startCaptureWaitsForTheNextTurnOfTheEventLoop()
    {
        QWidget overlay;
        overlay.show();
        pipeline(m_work.filePath(QStringLiteral("no-such-helper")))
            .startCapture(&overlay, polygon({ { 0, 0 }, { 10, 0 }, { 10, 10 } }), 1.0, 300);
        QVERIFY(overlay.isVisible());
        QTRY_VERIFY(overlay.isHidden());
        QVERIFY(waitForExit());
    }
};

QTEST_MAIN(CapturePipelineTest)
#include "CapturePipelineTest.moc"
