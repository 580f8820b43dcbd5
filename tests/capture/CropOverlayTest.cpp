#include "capture/CropOverlayView.h"
#include "capture/CropOverlayWindow.h"
#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"

#include "support/TestDoubles.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using Points = QList<QPointF>;

// Drives the overlay with real mouse events on the offscreen platform. The
// capture helper is pointed at a program that does not exist, so a started
// capture ends at once with "screencapture failed".
class CropOverlayTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<TestPlatform> m_platform;
    std::unique_ptr<GalleryStore> m_store;
    std::unique_ptr<CropOverlayWindow> m_window;
    std::unique_ptr<NotificationRecorder> m_posts;

    CropOverlayView& view() { return m_window->overlayView(); }

    // Qt positions (y down) of overlay points (y up).
    QPointF widgetPoint(QPointF overlay) { return { overlay.x(), view().height() - overlay.y() }; }

    void send(QEvent::Type type, QPointF overlay, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        const QPointF local = widgetPoint(overlay);
        QMouseEvent event(type, local, view().mapToGlobal(local), button, buttons, Qt::NoModifier);
        QApplication::sendEvent(&view(), &event);
    }

    void drag(const Points& points)
    {
        send(QEvent::MouseButtonPress, points.first(), Qt::LeftButton, Qt::LeftButton);
        for (qsizetype i = 1; i < points.size(); ++i)
            send(QEvent::MouseMove, points[i], Qt::NoButton, Qt::LeftButton);
    }

    void release(QPointF at) { send(QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton); }

    static Points rectangleStroke(double x, double y, double w, double h)
    {
        Points points;
        for (double t = 0; t < w; t += 10)
            points.append({ x + t, y });
        for (double t = 0; t < h; t += 10)
            points.append({ x + w, y + t });
        for (double t = 0; t < w; t += 10)
            points.append({ x + w - t, y + h });
        for (double t = 0; t < h; t += 10)
            points.append({ x, y + h - t });
        return points;
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        m_platform = std::make_unique<TestPlatform>();
        m_store = std::make_unique<GalleryStore>(m_root->path());
        m_window = std::make_unique<CropOverlayWindow>(*m_store, m_platform->services());
        m_window->setScreenCaptureProgram(m_root->filePath(QStringLiteral("no-such-helper")));
        m_posts = std::make_unique<NotificationRecorder>(
            m_platform->notifications, QStringList { CommandNames::exitCropMode });
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void cleanup()
    {
        m_posts.reset();
        m_window.reset();
        m_store.reset();
        m_platform.reset();
        m_root.reset();
    }

    void coversThePrimaryScreen()
    {
        QCOMPARE(m_window->geometry(), QGuiApplication::primaryScreen()->geometry());
        QCOMPARE(view().geometry(), m_window->rect());
    }

    void pointsAreRecordedWithYUpwards()
    {
        const double h = view().height();
        send(QEvent::MouseButtonPress, { 100, 30 }, Qt::LeftButton, Qt::LeftButton);
        QVERIFY(view().isDrawing());
        // Sent at widget y = h − 30: read back as overlay y 30.
        QCOMPARE(view().points(), (Points { { 100, 30 } }));
        const QPointF local(200, 10);
        QMouseEvent move(
            QEvent::MouseMove, local, view().mapToGlobal(local), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&view(), &move);
        QCOMPARE(view().points().last(), QPointF(200, h - 10));
    }

    void liveStrokeIsDrawnDashedUnderThePointer()
    {
        // A horizontal drag 100 points above the bottom edge.
        Points line;
        for (double x = 100; x <= 300; x += 5)
            line.append({ x, 100 });
        drag(line);
        QImage rendered(view().size(), QImage::Format_ARGB32_Premultiplied);
        rendered.fill(Qt::transparent);
        view().render(&rendered, {}, {}, QWidget::DrawChildren); // no background: only the stroke
        const QImage image = rendered.convertToFormat(QImage::Format_ARGB32);
        const int row = int(view().height() - 100); // Qt's row of overlay y 100
        int on = 0, off = 0;
        for (int x = 110; x < 290; ++x) {
            const QRgb pixel = image.pixel(x, row);
            if (qAlpha(pixel) > 150) {
                ++on;
                QVERIFY2(std::abs(qRed(pixel) - 171) <= 2 && qRed(pixel) == qBlue(pixel), "light grey, 0.67 white");
            } else if (qAlpha(pixel) == 0) {
                ++off;
            }
        }
        // Dashes of 6 with gaps of 4: about 60 % drawn.
        QVERIFY2(on > 90 && on < 130 && off > 50, qPrintable(QStringLiteral("%1 on, %2 off").arg(on).arg(off)));
        // Nothing where a forgotten y flip would have put it.
        for (int x = 110; x < 290; ++x)
            QCOMPARE(qAlpha(image.pixel(x, 100)), 0);
    }

    void shortStrokesAreDiscarded_data()
    {
        QTest::addColumn<Points>("stroke");
        QTest::addColumn<int>("recorded");
        QTest::newRow("click") << Points { { 50, 50 } } << 1;
        QTest::newRow("tiny steps") << Points { { 50, 50 }, { 51, 50 }, { 52, 51 }, { 50, 52 } } << 1;
        QTest::newRow("two points") << Points { { 50, 50 }, { 60, 50 } } << 2;
        QTest::newRow("five points") << Points { { 50, 50 }, { 60, 50 }, { 60, 60 }, { 50, 60 }, { 45, 55 } } << 5;
    }
    void shortStrokesAreDiscarded()
    {
        QFETCH(Points, stroke);
        QFETCH(int, recorded);
        QSignalSpy captures(&view(), &CropOverlayView::captureStarted);
        drag(stroke);
        QCOMPARE(view().points().size(), recorded);
        release(stroke.last());
        QVERIFY(view().points().isEmpty());
        QVERIFY(!view().smoothedPath());
        QTest::qWait(20);
        QCOMPARE(captures.count(), 0);
        QVERIFY(m_window->isVisible()); // crop mode goes on
        QVERIFY(m_posts->names.isEmpty());
    }

    void sixPointsMakeALassoThatIsCaptured()
    {
        QSignalSpy captures(&view(), &CropOverlayView::captureStarted);
        drag({ { 100, 100 }, { 200, 100 }, { 250, 150 }, { 200, 200 }, { 100, 200 }, { 60, 150 } });
        release({ 60, 150 });
        QCOMPARE(captures.count(), 1);
        const auto lasso = captures.first().first().value<std::optional<QPainterPath>>();
        QVERIFY(lasso.has_value());
        // The smoothed outline, not the raw polygon: it starts between points.
        QVERIFY(lasso->elementCount() > 6 * 3);
        QVERIFY(lasso->boundingRect().intersects(QRectF(60, 100, 190, 100)));
        // The view is reset at once and the window leaves the screen next turn.
        QVERIFY(view().points().isEmpty());
        QVERIFY(!view().smoothedPath());
        QTRY_VERIFY(m_window->isHidden());
        // The stand-in helper is missing: the capture fails and ends crop mode.
        QTRY_COMPARE(m_posts->names, QStringList { CommandNames::exitCropMode });
    }

    void withRecognitionOffARectangleStaysFreehand()
    {
        QSignalSpy captures(&view(), &CropOverlayView::captureStarted);
        drag(rectangleStroke(100, 100, 300, 200));
        release({ 100, 110 });
        QCOMPARE(captures.count(), 1);
        QVERIFY(!view().isSnapping());
    }

    void withRecognitionOnARectangleSnapsThenCapturesItsBox()
    {
        m_platform->defaults.setBool(QStringLiteral("shapeRecognition.enabled"), true);
        QSignalSpy captures(&view(), &CropOverlayView::captureStarted);
        drag(rectangleStroke(100, 100, 300, 200));
        release({ 100, 110 });
        QVERIFY(view().isSnapping());
        QCOMPARE(view().snapKind(), CropOverlayView::SnapKind::rectangle);
        QVERIFY(!view().isDrawing());
        QVERIFY(!view().smoothedPath());
        QCOMPARE(captures.count(), 0); // not before the last frame
        QTRY_VERIFY(view().displayPath().has_value());

        QVERIFY(captures.wait(1000));
        const auto lasso = captures.first().first().value<std::optional<QPainterPath>>();
        QVERIFY(lasso.has_value());
        QCOMPARE(lasso->boundingRect(), QRectF(100, 100, 300, 200));
        QVERIFY(!view().displayPath());
    }

    void recognitionIsReadAtEveryRelease()
    {
        QSignalSpy captures(&view(), &CropOverlayView::captureStarted);
        const Points circle = [] {
            Points points;
            for (int k = 0; k < 36; ++k)
                points.append({ 300 + 100 * std::cos(k * M_PI / 18), 300 + 100 * std::sin(k * M_PI / 18) });
            return points;
        }();
        m_platform->defaults.setBool(QStringLiteral("shapeRecognition.enabled"), true);
        drag(circle);
        release(circle.last());
        QVERIFY(view().isSnapping());
        QCOMPARE(view().snapKind(), CropOverlayView::SnapKind::ellipse);
        QVERIFY(captures.wait(1000));
        const auto lasso = captures.first().first().value<std::optional<QPainterPath>>();
        const QRectF box = lasso->boundingRect();
        QVERIFY(std::abs(box.left() - 200) < 0.01 && std::abs(box.width() - 200) < 0.01);
    }

    void resetStopsASnapBeforeItCaptures()
    {
        m_platform->defaults.setBool(QStringLiteral("shapeRecognition.enabled"), true);
        QSignalSpy captures(&view(), &CropOverlayView::captureStarted);
        drag(rectangleStroke(100, 100, 300, 200));
        release({ 100, 110 });
        QVERIFY(view().isSnapping());
        m_window->resetDrawing();
        QVERIFY(!view().isSnapping());
        QVERIFY(view().points().isEmpty());
        QVERIFY(!view().displayPath());
        QTest::qWait(350);
        QCOMPARE(captures.count(), 0);
    }

    void rightClickLeavesCropModeAndKeysDoNothing()
    {
        drag({ { 100, 100 }, { 200, 100 }, { 250, 150 } });
        QTest::keyClick(m_window.get(), Qt::Key_Escape);
        QTest::keyClick(&view(), Qt::Key_Escape);
        QVERIFY(m_posts->names.isEmpty());
        QTest::mouseClick(&view(), Qt::RightButton, {}, QPoint(300, 300));
        QCOMPARE(m_posts->names, QStringList { CommandNames::exitCropMode });
    }
};

QTEST_MAIN(CropOverlayTest)
#include "CropOverlayTest.moc"
