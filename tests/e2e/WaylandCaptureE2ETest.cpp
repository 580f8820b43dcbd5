#include "E2ETest.h"
#include "WaylandSession.h"
#include "support/CapturePattern.h"

#include <span>

namespace {

// Each screen shows the position pattern of its own pixels, the second one
// with bit 6 of blue set (the pattern never sets it), so a captured pixel
// tells the screen and the place it came from.
QImage screenPattern(QSize size, int output)
{
    QImage pattern = CapturePattern::image(size.width(), size.height());
    if (output == 1)
        for (int y = 0; y < size.height(); ++y)
            for (QRgb& pixel : std::span(reinterpret_cast<QRgb*>(pattern.scanLine(y)), size_t(size.width())))
                pixel |= 0x40;
    return pattern;
}

XWindow overlayOn(const X11Session& desktop, QRect screen)
{
    return desktop.appWindow([&](QRect frame) { return frame == screen; });
}

} // namespace

// Crop mode on a Wayland desktop of two screens: sway on the headless backend,
// the app on its XWayland, the pixels from the desktop portal. The patterns
// are drawn by a Wayland client, which no X11 client can read: a cut-out that
// shows them came through the portal.
class WaylandCaptureE2ETest : public QObject {
    Q_OBJECT

private:
    WaylandSession m_session;
    QList<QImage> m_patterns;

    // A fresh desktop and app, shape recognition on (so that a traced box is
    // cut exactly), up once its panel shows.
    std::unique_ptr<X11Session> launch()
    {
        auto desktop = m_session.desktop();
        if (!desktop->start() || !switchShapeRecognitionOn(*desktop) || !desktop->launchApp()
            || !desktop->waitForAppWindow(Panel::size))
            return nullptr;
        return desktop;
    }

    // Crop mode from the command line, with the pointer at `pointer`.
    static bool enterCropMode(const X11Session& desktop, QPoint pointer)
    {
        return desktop.xdotool({ "mousemove", QString::number(pointer.x()), QString::number(pointer.y()) }).succeeded()
            && desktop.runApp({ "--crop" }).succeeded();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (const QString reason = WaylandSession::unavailableReason(); !reason.isEmpty())
            QSKIP(qPrintable(reason));
        QVERIFY2(m_session.start(), qPrintable(m_session.lastError()));
        for (int output = 0; output < 2; ++output) {
            m_patterns.append(screenPattern(m_session.outputGeometry(output).size(), output));
            QVERIFY2(m_session.showPicture(output, m_patterns.last()), qPrintable(m_session.lastError()));
        }
    }

    // Crop mode covers the screen under the pointer, shows the desktop's
    // picture of it, and cuts from that picture exactly what was traced.
    void cutsFromThePortalsPictureOfTheScreenUnderThePointer_data()
    {
        QTest::addColumn<int>("output");
        QTest::newRow("first screen") << 0;
        QTest::newRow("second screen") << 1;
    }
    void cutsFromThePortalsPictureOfTheScreenUnderThePointer()
    {
        QFETCH(int, output);
        const auto desktop = launch();
        QVERIFY2(desktop, qPrintable(m_session.diagnostics()));
        const QRect screen = m_session.outputGeometry(output);
        QVERIFY(enterCropMode(*desktop, screen.topLeft() + QPoint(100, 100)));
        WAIT_FOR(*desktop, overlayOn(*desktop, screen));
        // The overlay shows the portal's picture, once painted: the pattern
        // (its left third lies clear of the panel, which sway opens in the
        // middle of a screen).
        const QRect clear(0, 0, screen.width() / 3, screen.height());
        const QImage expected = m_patterns[output].copy(clear).convertToFormat(QImage::Format_RGB32);
        WAIT_FOR(*desktop,
            desktop->windowImage(overlayOn(*desktop, screen)).copy(clear).convertToFormat(QImage::Format_RGB32)
                == expected);

        // A box in the left third, clear of the panel, traced on the overlay; it snaps to the
        // box of the points drawn, which is cut out exactly.
        const QList<QPoint> stroke = roughRectangle(QRect(screen.x() + 60, screen.y() + 300, 250, 200));
        QVERIFY(desktop->drag(stroke));
        WAIT_FOR(*desktop, storedCutouts(*desktop).size() == 1);
        const QImage stored(desktop->scrapwickFolder() + "/cutouts/" + storedCutouts(*desktop).first());
        const QRect drawn = QPolygon(stroke.toVector()).boundingRect();
        const QRect box(drawn.topLeft() - screen.topLeft(), drawn.size() - QSize(1, 1));
        QCOMPARE(stored.convertToFormat(QImage::Format_ARGB32),
            m_patterns[output].copy(box).convertToFormat(QImage::Format_ARGB32));
        WAIT_FOR(*desktop, desktop->appOutputLines().contains("crop mode exited") && !overlayOn(*desktop, screen));
        QCOMPARE(desktop->appOutputLines().filter("failed"), QStringList());
    }

    // Without a portal on the bus, crop mode ends at once and says why.
    void withoutThePortalCropModeEndsAndSaysWhy()
    {
        QVERIFY2(m_session.stopScreenshotPortal(), qPrintable(m_session.lastError()));
        const auto desktop = launch();
        QVERIFY2(desktop, qPrintable(m_session.diagnostics()));
        QVERIFY(enterCropMode(*desktop, { 100, 100 }));
        WAIT_FOR(*desktop, desktop->appOutputLines().contains("crop mode exited"));
        const QStringList said = desktop->appOutputLines().filter("[Capture] screenshot portal unavailable: ");
        QVERIFY2(
            said.size() == 1 && said.first().contains("org.freedesktop.portal.Desktop"), qPrintable(said.join('\n')));
        QTest::qWait(300);
        QVERIFY(storedCutouts(*desktop).isEmpty());
        QVERIFY(!overlayOn(*desktop, m_session.outputGeometry(0)));
    }
};

QTEST_GUILESS_MAIN(WaylandCaptureE2ETest)
#include "WaylandCaptureE2ETest.moc"
