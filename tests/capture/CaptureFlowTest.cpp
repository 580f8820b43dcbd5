#include "capture/CapturePipeline.h"
#include "capture/CropOverlayView.h"
#include "capture/CropOverlayWindow.h"
#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"

#include "CaptureShapes.h"
#include "support/TestDoubles.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>

using Points = QList<QPointF>;
using Lasso = std::optional<QPainterPath>;
constexpr int discarded = -2, freehand = -1;

// What each test gets afresh: a gallery store, the platform's doubles, a
// recorder of exitCropMode posts, and room for an overlay (destroyed first).
struct CaptureRig {
    QTemporaryDir galleryRoot;
    TestPlatform platform;
    GalleryStore store { galleryRoot.path() };
    NotificationRecorder posts { platform.notifications, { CommandNames::exitCropMode } };
    std::unique_ptr<CropOverlayWindow> window;
};

// The overlay driven with real mouse events on the offscreen platform, and the
// pipeline run against stand-in capture helpers: shell scripts taking the real
// helper's command line ("%1" in them is a PNG of the pattern screen). Unless
// a test names one, the helper does not exist, so a capture fails at once.
class CaptureFlowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_work;
    QString m_screenPng;
    std::optional<CaptureRig> m_rig;

    QString helperScript(const QString& body)
    {
        QFile file(m_work.filePath(QStringLiteral("helper")));
        (void)file.open(QIODevice::WriteOnly | QIODevice::Truncate); // a helper that fails to appear fails the test
        file.write("#!/bin/sh\n" + QString(body).replace(QStringLiteral("%1"), m_screenPng).toUtf8() + "\n");
        file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file.fileName();
    }

    CapturePipeline pipeline(const QString& program)
    {
        return CapturePipeline(m_rig->store, m_rig->platform.pasteboard, m_rig->platform.notifications, program);
    }

    bool waitForExit(int count = 1)
    {
        return QTest::qWaitFor([&] { return m_rig->posts.names.size() >= count; }, 5000);
    }

    CropOverlayView& showOverlay()
    {
        m_rig->window = std::make_unique<CropOverlayWindow>(
            m_rig->store, m_rig->platform.services(), QGuiApplication::primaryScreen());
        m_rig->window->show();
        return m_rig->window->overlayView();
    }

    // Presses at the first overlay point (y up), moves through the rest and
    // releases at the last.
    void drag(const Points& points)
    {
        CropOverlayView& view = m_rig->window->overlayView();
        const auto send = [&](QEvent::Type type, QPointF overlay, Qt::MouseButton button, Qt::MouseButtons buttons) {
            const QPointF local(overlay.x(), view.height() - overlay.y());
            QMouseEvent event(type, local, view.mapToGlobal(local), button, buttons, Qt::NoModifier);
            QApplication::sendEvent(&view, &event);
        };
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

    void init() { m_rig.emplace(); }
    void cleanup() { m_rig.reset(); }

    // The setting changes after the overlay is made: it is read at every release.
    void releaseDiscardsCapturesOrSnaps()
    {
        // Shape recognition on, the stroke, and what comes of it: discarded, freehand or a SnapKind.
        const std::tuple<bool, Points, int> rows[] = {
            { false, { { 50, 50 }, { 60, 50 }, { 60, 60 }, { 50, 60 }, { 45, 55 } }, discarded }, // five points
            { false, { { 100, 100 }, { 200, 100 }, { 250, 150 }, { 200, 200 }, { 100, 200 }, { 60, 150 } }, freehand },
            { false, traced({ { 100, 100 }, { 400, 100 }, { 400, 300 }, { 100, 300 } }), freehand }, // a rectangle
            { true, ellipse(100, 100), int(CropOverlayView::SnapKind::ellipse) },
        };
        for (const auto& [recognition, stroke, outcome] : rows) {
            m_rig.emplace();
            CropOverlayView& view = showOverlay();
            m_rig->platform.defaults.setBool(QStringLiteral("shapeRecognition.enabled"), recognition);
            QSignalSpy captures(&view, &CropOverlayView::captureStarted);
            drag(stroke);
            QCOMPARE(view.isSnapping(), outcome >= 0);
            if (outcome == discarded) {
                QTest::qWait(20);
                QVERIFY(captures.isEmpty() && view.points().isEmpty());
                QVERIFY(m_rig->window->isVisible() && m_rig->posts.names.isEmpty()); // crop mode goes on
                continue;
            }
            if (outcome >= 0) {
                QCOMPARE(int(view.snapKind()), outcome);
                QVERIFY(captures.isEmpty()); // not before the last frame
                QTRY_VERIFY(view.displayPath().has_value());
                QVERIFY(captures.wait(1000));
                QCOMPARE(captures.first().first().value<Lasso>()->boundingRect(), QRectF(200, 200, 200, 200));
            } else {
                QCOMPARE(captures.count(), 1);
                // The smoothed outline, not the raw polygon.
                QVERIFY(captures.first().first().value<Lasso>()->elementCount() > int(stroke.size()) * 3);
            }
            QVERIFY(view.points().isEmpty() && !view.displayPath());
            QTRY_VERIFY(m_rig->window->isHidden());
            QTRY_COMPARE(m_rig->posts.names, QStringList { CommandNames::exitCropMode }); // the helper is missing
        }
    }

    void resetStopsASnapBeforeItCaptures()
    {
        CropOverlayView& view = showOverlay();
        m_rig->platform.defaults.setBool(QStringLiteral("shapeRecognition.enabled"), true);
        QSignalSpy captures(&view, &CropOverlayView::captureStarted);
        drag(traced({ { 100, 100 }, { 400, 100 }, { 400, 300 }, { 100, 300 } }));
        QVERIFY(view.isSnapping());
        m_rig->window->resetDrawing();
        QVERIFY(!view.isSnapping());
        QTest::qWait(350);
        QVERIFY(captures.isEmpty());
    }

    // Without a compositor the overlay paints the screen as it was; that
    // picture, as big as the screen, must not outlive the crop mode.
    void frozenScreenOnlyWithoutACompositorAndOnlyWhileShown()
    {
        for (const bool composited : { true, false }) {
            m_rig->platform.screenCapture.composited = composited;
            showOverlay();
            QCOMPARE(m_rig->window->showsFrozenScreen(), !composited);
            m_rig->window->hide();
            QVERIFY(!m_rig->window->showsFrozenScreen());
        }
    }

    // Each capture's helper writes into a folder of its own that only this user
    // may use and that is removed afterwards.
    void captureStoresCopiesAndEndsCropMode()
    {
        // The stand-in notes its arguments, its folder's mode and owner and its user.
        const QString calls = m_work.filePath(QStringLiteral("calls"));
        const CapturePipeline capture = pipeline(helperScript("for file; do :; done\necho \"$@\" $(stat -c '%a %u' "
                                                              "\"$(dirname \"$file\")\") $(id -u) >> '"
            + calls + "'\ncp '%1' \"$file\""));
        QWidget overlay;
        overlay.show();
        // Box (350, 20)–(450.5, 70) in points, screen 400 × 300 points at scale 2:
        // pixels x 700..900, of which those from 800 lie off the screen, and,
        // flipped, rows (300 − 70)·2 = 460 .. 559.
        capture.startCapture(
            &overlay, polygon({ { 350, 20 }, { 450.5, 20 }, { 450.5, 70 }, { 350, 70 } }), { 2.0, 300 });
        QVERIFY(overlay.isVisible()); // hidden on the next turn of the event loop,
        QTRY_VERIFY(overlay.isHidden()); // before the screen is photographed
        QVERIFY(m_rig->platform.pasteboard.images.isEmpty()); // the capture waits 0.1 s
        QVERIFY(waitForExit());
        QCOMPARE(m_rig->platform.pasteboard.images.size(), 1);
        QImage copied = m_rig->platform.pasteboard.images.first();
        copied.setDevicePixelRatio(1); // compared in pixels
        QCOMPARE(copied.size(), QSize(201, 100));
        QCOMPARE(copied.copy(0, 0, 100, 100).convertToFormat(QImage::Format_RGB32),
            patternScreen().copy(700, 460, 100, 100));
        QCOMPARE(qAlpha(copied.pixel(100, 50)), 0);
        // The stored picture and the log's size in points: CaptureE2ETest.

        // Another screen: its area of the X screen, in pixels.
        capture.hideAndCapture(
            nullptr, polygon({ { 50, 50 }, { 90, 50 }, { 90, 90 } }), { 1.0, 300, QRect(1920, 0, 400, 300) });
        QVERIFY(waitForExit(2));
        QCOMPARE(m_rig->store.cutouts().size(), 2);
        static const QRegularExpression call(
            R"(^-x (-m|-R 1920,0,400,300) (\S+)/scrapwick_cap_\d+\.png 700 (\d+) \3$)");
        QStringList folders, areas;
        for (const QString& line : QString::fromUtf8(readFile(calls)).split(u'\n', Qt::SkipEmptyParts)) {
            const QRegularExpressionMatch match = call.match(line);
            QVERIFY2(match.hasMatch() && !QFileInfo::exists(match.captured(2)), qPrintable(line));
            areas << match.captured(1);
            folders << match.captured(2);
        }
        QCOMPARE(areas, (QStringList { "-m", "-R 1920,0,400,300" }));
        QVERIFY(folders[0] != folders[1]);
    }

    void failuresStoreNothingAndEndCropMode()
    {
        const QString copying = QStringLiteral("cp '%1' \"$3\"");
        const Lasso box = polygon({ { 10, 10 }, { 60, 10 }, { 60, 60 } });
        // The helper's script (null: none; the first writes half a picture), the lasso (the fourth outside the
        // screen, the last not one whole pixel wide at scale 2), and the one line logged.
        const std::tuple<QString, Lasso, QString> rows[] = {
            { "head -c $(($(stat -c %s '%1') / 2)) '%1' > \"$3\"", box, "screencapture failed" },
            { QString(), box, "screencapture failed" },
            { copying, Lasso(), QString() },
            { copying, polygon({ { 500, 10 }, { 600, 10 }, { 600, 60 } }), "cropping failed" },
            { copying, polygon({ { 10, 10 }, { 10.3, 10 }, { 10.3, 80 } }), QString() },
        };
        for (const auto& [helperBody, lasso, logged] : rows) {
            m_rig.emplace();
            Log::ScopedCapture log;
            pipeline(helperBody.isNull() ? m_rig->platform.screenCapture.program : helperScript(helperBody))
                .hideAndCapture(nullptr, lasso, { 2.0, 300 });
            QVERIFY(waitForExit());
            QTest::qWait(50); // nothing more may follow
            QCOMPARE(m_rig->posts.names, QStringList { CommandNames::exitCropMode });
            QVERIFY(m_rig->platform.pasteboard.images.isEmpty() && m_rig->store.cutouts().isEmpty());
            QCOMPARE(log.lines(), logged.isEmpty() ? QStringList() : QStringList { logged });
        }
    }
};

QTEST_MAIN(CaptureFlowTest)
#include "CaptureFlowTest.moc"
