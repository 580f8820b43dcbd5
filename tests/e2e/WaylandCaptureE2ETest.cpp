#include "E2ETest.h"
#include "WaylandSession.h"
#include "support/CapturePattern.h"

#include <span>

// Crop mode on a Wayland desktop of two screens: sway on the headless backend,
// the app on its XWayland, the pixels from the desktop portal. The patterns
// are drawn by a Wayland client, which no X11 client can read: a cut-out that
// shows them came through the portal.
class WaylandCaptureE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString reason = WaylandSession::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
    }

    // Crop mode, entered from the command line, covers the screen under the
    // pointer, shows the desktop's picture of it, and cuts from that picture
    // exactly what was traced; without a portal on the bus it ends at once
    // and says why.
    void cutsFromThePortalsPictureOfTheScreenUnderThePointer()
    {
        WaylandSession session;
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        // Each screen shows the position pattern of its own pixels, the second
        // one with bit 6 of blue set (the pattern never sets it), so a captured
        // pixel tells the screen and the place it came from.
        QList<QImage> patterns;
        for (int output = 0; output < 2; ++output) {
            const QSize size = session.outputGeometry(output).size();
            QImage& pattern = patterns.emplaceBack(CapturePattern::image(size.width(), size.height()));
            for (int y = 0; y < size.height() && output == 1; ++y)
                for (QRgb& pixel : std::span(reinterpret_cast<QRgb*>(pattern.scanLine(y)), size_t(size.width())))
                    pixel |= 0x40;
            QVERIFY2(session.showPicture(output, pattern), qPrintable(session.lastError()));
        }
        const auto desktop = session.desktop();
        QVERIFY2(desktop->start(), qPrintable(desktop->lastError()));
        switchShapeRecognitionOn(*desktop); // so that a traced box is cut exactly
        QVERIFY2(desktop->launchApp() && desktop->waitForAppWindow(Panel::size), qPrintable(desktop->lastError()));
        const auto overlayOn
            = [&](QRect screen) { return desktop->appWindow([&](QRect frame) { return frame == screen; }); };
        const auto enterCropMode = [&](QPoint pointer) {
            return desktop->xdotool({ "mousemove", QString::number(pointer.x()), QString::number(pointer.y()) })
                       .succeeded()
                && desktop->runApp({ "--crop" }).succeeded();
        };

        for (int output = 0; output < 2; ++output) {
            const QRect screen = session.outputGeometry(output);
            const QImage& pattern = patterns[output];
            QVERIFY(enterCropMode(screen.topLeft() + QPoint(100, 100)));
            WAIT_FOR(*desktop, overlayOn(screen));
            // The overlay shows the portal's picture, once painted: the pattern
            // (its left third lies clear of the panel, which sway opens in the
            // middle of a screen).
            const QRect clear(0, 0, screen.width() / 3, screen.height());
            const QImage expected = pattern.copy(clear).convertToFormat(QImage::Format_RGB32);
            WAIT_FOR(*desktop,
                desktop->windowImage(overlayOn(screen)).copy(clear).convertToFormat(QImage::Format_RGB32) == expected);

            // A box in the left third traced on the overlay; it snaps to the
            // box of the points drawn, which is cut out exactly.
            const QList<QPoint> stroke = roughRectangle(QRect(screen.x() + 60, screen.y() + 300, 250, 200));
            QVERIFY(desktop->drag(stroke));
            WAIT_FOR(*desktop, storedCutoutSizes(*desktop).size() == output + 1);
            const QImage stored = storedCutoutImages(*desktop)[0];
            const QRect drawn = QPolygon(stroke.toVector()).boundingRect();
            const QRect box(drawn.topLeft() - screen.topLeft(), drawn.size() - QSize(1, 1));
            QCOMPARE(stored.convertToFormat(QImage::Format_ARGB32),
                pattern.copy(box).convertToFormat(QImage::Format_ARGB32));
            WAIT_FOR(*desktop, desktop->appOutputLines().count("crop mode exited") == output + 1 && !overlayOn(screen));
        }
        QCOMPARE(desktop->appOutputLines().filter("failed"), QStringList());

        QVERIFY2(session.stopScreenshotPortal(), qPrintable(session.lastError()));
        QVERIFY(enterCropMode({ 100, 100 }));
        WAIT_FOR(*desktop, desktop->appOutputLines().count("crop mode exited") == 3);
        const QStringList said = desktop->appOutputLines().filter("[Capture] screenshot portal unavailable: ");
        QVERIFY2(
            said.size() == 1 && said.first().contains("org.freedesktop.portal.Desktop"), qPrintable(said.join('\n')));
        QTest::qWait(300);
        QVERIFY(storedCutouts(*desktop).size() == 2 && !overlayOn(session.outputGeometry(0)));
    }
};

QTEST_GUILESS_MAIN(WaylandCaptureE2ETest)
#include "WaylandCaptureE2ETest.moc"
