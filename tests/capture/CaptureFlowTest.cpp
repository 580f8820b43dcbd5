#include "capture/CapturePipeline.h"
#include "capture/CropOverlayView.h"
#include "capture/CropOverlayWindow.h"
#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"

#include "PatternScreen.h"
#include "support/TestDoubles.h"

#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <memory>

using Points = QList<QPointF>;
using Lasso = std::optional<QPainterPath>;
constexpr int discarded = -2, freehand = -1;

namespace {
// A 300 × 200 rectangle at (100, 100), a point every 10 along its sides.
Points rectangleStroke()
{
    Points points;
    for (int t = 0; t < 300; t += 10)
        points.append({ 100.0 + t, 100 });
    for (int t = 0; t < 200; t += 10)
        points.append({ 400, 100.0 + t });
    for (int t = 0; t < 300; t += 10)
        points.append({ 400.0 - t, 300 });
    for (int t = 0; t < 200; t += 10)
        points.append({ 100, 300.0 - t });
    return points;
}
} // namespace

// The overlay driven with real mouse events on the offscreen platform, and the
// pipeline run against stand-in capture helpers: shell scripts taking the real
// helper's command line ("%1" in them is a PNG of the pattern screen). Unless
// a test names one, the helper does not exist, so a capture fails at once.
class CaptureFlowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_screenPng;
    std::unique_ptr<QTemporaryDir> m_galleryRoot;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<GalleryStore> m_store;
    std::unique_ptr<NotificationRecorder> m_posts;
    std::unique_ptr<CropOverlayWindow> m_window;

    QString helperScript(const QString& body)
    {
        const QString path = m_work.filePath(QStringLiteral("helper"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return {};
        file.write("#!/bin/sh\n" + QString(body).replace(QStringLiteral("%1"), m_screenPng).toUtf8() + "\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    CapturePipeline pipeline(const QString& program)
    {
        return CapturePipeline(*m_store, m_platform->pasteboard, m_platform->notifications, program);
    }

    bool waitForExit(int count = 1)
    {
        return QTest::qWaitFor([&] { return m_posts->names.size() >= count; }, 5000);
    }

    CropOverlayView& showOverlay()
    {
        m_window = std::make_unique<CropOverlayWindow>(*m_store, m_platform->services());
        m_window->show();
        return m_window->overlayView();
    }

    // Sends a mouse event at an overlay point (y up).
    void send(QEvent::Type type, QPointF overlay, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        CropOverlayView& view = m_window->overlayView();
        const QPointF local(overlay.x(), view.height() - overlay.y());
        QMouseEvent event(type, local, view.mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view, &event);
    }

    void drag(const Points& points)
    {
        send(QEvent::MouseButtonPress, points.first(), Qt::LeftButton, Qt::LeftButton);
        for (const QPointF p : points.mid(1))
            send(QEvent::MouseMove, p, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, points.last(), Qt::LeftButton, Qt::NoButton);
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        m_screenPng = m_work.filePath(QStringLiteral("screen.png"));
        QVERIFY(patternScreen().save(m_screenPng, "PNG"));
    }

    void init()
    {
        m_galleryRoot = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<TestPlatform>();
        m_store = std::make_unique<GalleryStore>(m_galleryRoot->path());
        m_posts = std::make_unique<NotificationRecorder>(
            m_platform->notifications, QStringList { CommandNames::exitCropMode });
    }

    void cleanup()
    {
        m_window.reset();
        m_posts.reset();
        m_store->waitForPendingWrites();
        m_store.reset();
        m_platform.reset();
    }

    // The setting changes after the overlay is made: it is read at every release.
    void releaseDiscardsCapturesOrSnaps_data()
    {
        QTest::addColumn<bool>("recognition");
        QTest::addColumn<Points>("stroke");
        QTest::addColumn<int>("outcome"); // discarded, freehand or a SnapKind
        QTest::addColumn<QRectF>("snapBox");
        Points tinySteps, circle;
        for (int k = 0; k < 8; ++k)
            tinySteps.append({ 50.0 + k, 50 }); // keeps 50, 53 and 56
        for (int k = 0; k < 36; ++k)
            circle.append({ 300 + 100 * std::cos(k * M_PI / 18), 300 + 100 * std::sin(k * M_PI / 18) });
        QTest::newRow("tiny steps") << false << tinySteps << discarded << QRectF();
        QTest::newRow("two points") << false << Points { { 50, 50 }, { 60, 50 } } << discarded << QRectF();
        QTest::newRow("five points") << false << Points { { 50, 50 }, { 60, 50 }, { 60, 60 }, { 50, 60 }, { 45, 55 } }
                                     << discarded << QRectF();
        QTest::newRow("six points") << false
                                    << Points { { 100, 100 }, { 200, 100 }, { 250, 150 }, { 200, 200 }, { 100, 200 },
                                           { 60, 150 } }
                                    << freehand << QRectF();
        QTest::newRow("recognition off: a rectangle stays freehand")
            << false << rectangleStroke() << freehand << QRectF();
        QTest::newRow("recognition on: a circle")
            << true << circle << int(CropOverlayView::SnapKind::ellipse) << QRectF(200, 200, 200, 200);
    }
    void releaseDiscardsCapturesOrSnaps()
    {
        QFETCH(bool, recognition);
        QFETCH(Points, stroke);
        QFETCH(int, outcome);
        QFETCH(QRectF, snapBox);
        CropOverlayView& view = showOverlay();
        m_platform->defaults.setBool(QStringLiteral("shapeRecognition.enabled"), recognition);
        QSignalSpy captures(&view, &CropOverlayView::captureStarted);
        drag(stroke);
        QCOMPARE(view.isSnapping(), outcome >= 0);
        if (outcome == discarded) {
            QTest::qWait(20);
            QCOMPARE(captures.count(), 0);
            QVERIFY(view.points().isEmpty());
            QVERIFY(m_window->isVisible() && m_posts->names.isEmpty()); // crop mode goes on
            return;
        }
        if (outcome >= 0) {
            QCOMPARE(int(view.snapKind()), outcome);
            QCOMPARE(captures.count(), 0); // not before the last frame
            QTRY_VERIFY(view.displayPath().has_value());
            QVERIFY(captures.wait(1000));
            QCOMPARE(captures.first().first().value<Lasso>()->boundingRect(), snapBox);
        } else {
            QCOMPARE(captures.count(), 1);
            // The smoothed outline, not the raw polygon.
            QVERIFY(captures.first().first().value<Lasso>()->elementCount() > int(stroke.size()) * 3);
        }
        QVERIFY(view.points().isEmpty() && !view.displayPath());
        QTRY_VERIFY(m_window->isHidden());
        QTRY_COMPARE(m_posts->names, QStringList { CommandNames::exitCropMode }); // the helper is missing
    }

    void resetStopsASnapBeforeItCaptures()
    {
        CropOverlayView& view = showOverlay();
        m_platform->defaults.setBool(QStringLiteral("shapeRecognition.enabled"), true);
        QSignalSpy captures(&view, &CropOverlayView::captureStarted);
        drag(rectangleStroke());
        QVERIFY(view.isSnapping());
        m_window->resetDrawing();
        QVERIFY(!view.isSnapping());
        QTest::qWait(350);
        QCOMPARE(captures.count(), 0);
    }

    // Without a compositor the overlay paints the screen as it was; that
    // picture, as big as the screen, must not outlive the crop mode.
    void frozenScreenOnlyWithoutACompositorAndOnlyWhileShown()
    {
        for (const bool composited : { true, false }) {
            m_platform->screenCapture.composited = composited;
            showOverlay();
            QCOMPARE(m_window->showsFrozenScreen(), !composited);
            m_window->hide();
            QVERIFY(!m_window->showsFrozenScreen());
        }
    }

    void captureStoresCopiesAndEndsCropMode()
    {
        Log::ScopedCapture log;
        QWidget overlay;
        overlay.show();
        // Box (350, 20)–(450.5, 70) in points, screen 400 × 300 points at scale 2:
        // pixels x 700..900, of which those from 800 lie off the screen, and,
        // flipped, rows (300 − 70)·2 = 460 .. 559.
        pipeline(helperScript(QStringLiteral("cp '%1' \"$3\"")))
            .startCapture(&overlay, polygon({ { 350, 20 }, { 450.5, 20 }, { 450.5, 70 }, { 350, 70 } }), 2.0, 300);
        QVERIFY(overlay.isVisible()); // hidden on the next turn of the event loop,
        QTRY_VERIFY(overlay.isHidden()); // before the screen is photographed
        QVERIFY(m_platform->pasteboard.images.isEmpty()); // the capture waits 0.1 s
        QVERIFY(waitForExit());
        QCOMPARE(m_posts->names, QStringList { CommandNames::exitCropMode });
        QCOMPARE(m_platform->pasteboard.images.size(), 1);
        const QImage copied = m_platform->pasteboard.images.first();
        QCOMPARE(copied.size(), QSize(201, 100));
        const QImage screen = patternScreen();
        QCOMPARE(copied.pixel(0, 0), screen.pixel(700, 460));
        QCOMPARE(copied.pixel(99, 99), screen.pixel(799, 559));
        QCOMPARE(qAlpha(copied.pixel(100, 50)), 0);
        QCOMPARE(m_store->cutouts().size(), 1);
        QImage stored;
        QVERIFY(stored.loadFromData(m_store->cutouts().first().imageData.value_or(QByteArray()), "PNG"));
        QCOMPARE(stored.pixel(37, 41), screen.pixel(737, 501));
        QVERIFY(log.lines().contains(QStringLiteral("crop complete, size: (100.5, 50.0)")));
    }

    void helperWritesIntoAPrivateUniqueFolderThatIsRemovedAfterwards()
    {
        // The stand-in records its arguments, its folder's mode and owner, and
        // the user it runs as, one line per run.
        const QString calls = m_work.filePath(QStringLiteral("calls"));
        const CapturePipeline capture
            = pipeline(helperScript(QStringLiteral("echo \"$@\" $(stat -c '%a %u' \"$(dirname \"$3\")\") $(id -u) >> '")
                + calls + QStringLiteral("'\ncp '%1' \"$3\"")));
        capture.hideAndCapture(nullptr, polygon({ { 0, 0 }, { 40, 0 }, { 40, 40 } }), 1.0, 300);
        capture.hideAndCapture(nullptr, polygon({ { 50, 50 }, { 90, 50 }, { 90, 90 } }), 1.0, 300);
        QVERIFY(waitForExit(2));
        QCOMPARE(m_store->cutouts().size(), 2);
        QFile file(calls);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QStringList folders;
        for (const QString& line : lines) {
            const QStringList words = line.split(u' '); // -x -m FILE MODE OWNER USER
            QCOMPARE(words.size(), 6);
            QCOMPARE(words.mid(0, 2), (QStringList { QStringLiteral("-x"), QStringLiteral("-m") }));
            const QFileInfo info(words[2]);
            QVERIFY2(info.fileName().startsWith(QLatin1String("scrapwick_cap_")), qPrintable(words[2]));
            QCOMPARE(words[3], QStringLiteral("700")); // only this user may write there
            QCOMPARE(words[4], words[5]);
            QVERIFY2(!QFileInfo::exists(info.absolutePath()), "the file and its folder are deleted");
            folders << info.absolutePath();
        }
        QVERIFY(folders[0] != folders[1]);
    }

    void failuresStoreNothingAndEndCropMode_data()
    {
        QTest::addColumn<QString>("helperBody");
        QTest::addColumn<Lasso>("lasso");
        QTest::addColumn<QString>("logged");
        const QString copying = QStringLiteral("cp '%1' \"$3\"");
        const Lasso box = polygon({ { 10, 10 }, { 60, 10 }, { 60, 60 } });
        QTest::newRow("helper writes half a picture")
            << QStringLiteral("head -c $(($(stat -c %s '%1') / 2)) '%1' > \"$3\"") << box
            << QStringLiteral("screencapture failed");
        QTest::newRow("helper missing") << QString() << box << QStringLiteral("screencapture failed");
        QTest::newRow("no lasso") << copying << Lasso() << QString();
        QTest::newRow("zero height") << copying << Lasso(polygon({ { 10, 50 }, { 60, 50 }, { 120, 50 } })) << QString();
        QTest::newRow("outside the screen") << copying << Lasso(polygon({ { 500, 10 }, { 600, 10 }, { 600, 60 } }))
                                            << QStringLiteral("cropping failed");
        // 0.3 points at scale 2 is not one whole pixel.
        QTest::newRow("thinner than a pixel")
            << copying << Lasso(polygon({ { 10, 10 }, { 10.3, 10 }, { 10.3, 80 } })) << QString();
    }
    void failuresStoreNothingAndEndCropMode()
    {
        QFETCH(QString, helperBody);
        QFETCH(Lasso, lasso);
        QFETCH(QString, logged);
        Log::ScopedCapture log;
        pipeline(helperBody.isNull() ? m_platform->screenCapture.program : helperScript(helperBody))
            .hideAndCapture(nullptr, lasso, 2.0, 300);
        QVERIFY(waitForExit());
        QTest::qWait(50); // nothing more may follow
        QCOMPARE(m_posts->names, QStringList { CommandNames::exitCropMode });
        QVERIFY(m_platform->pasteboard.images.isEmpty());
        QVERIFY(m_store->cutouts().isEmpty());
        QCOMPARE(log.lines(), logged.isEmpty() ? QStringList() : QStringList { logged });
    }
};

QTEST_MAIN(CaptureFlowTest)
#include "CaptureFlowTest.moc"
