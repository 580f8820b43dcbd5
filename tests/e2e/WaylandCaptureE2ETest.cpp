#include "CaptureSteps.h"
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
    // cut exactly), the panel on `output`.
    std::unique_ptr<X11Session> launch(int output)
    {
        auto desktop = m_session.desktop();
        if (!desktop->start() || !switchShapeRecognitionOn(*desktop) || !desktop->launchApp(m_session.appEnvironment()))
            return nullptr;
        const XWindow panel = desktop->waitForAppWindow(Panel::size);
        const QRect screen = m_session.outputGeometry(output);
        // sway opens the panel in the middle of the screen it focuses; moved
        // through sway, as a user would drag it.
        if (!panel
            || (!screen.contains(desktop->screenGeometry(panel))
                && !m_session
                        .run("swaymsg",
                            { QString("[pid=%1] move absolute position %2 %3")
                                    .arg(desktop->app()->processId())
                                    .arg(screen.x() + 300)
                                    .arg(screen.y() + 40) })
                        .succeeded())
            || !X11Session::waitUntil([&] { return screen.contains(desktop->screenGeometry(panel)); }))
            return nullptr;
        return desktop;
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

    // Crop mode covers the screen under the pointer (the panel's, where its
    // button was pressed), shows the desktop's picture of it, and cuts from
    // that picture exactly what was traced.
    void cutsFromThePortalsPictureOfTheScreenUnderThePointer_data()
    {
        QTest::addColumn<int>("output");
        QTest::newRow("first screen") << 0;
        QTest::newRow("second screen") << 1;
    }
    void cutsFromThePortalsPictureOfTheScreenUnderThePointer()
    {
        QFETCH(int, output);
        const auto desktop = launch(output);
        QVERIFY2(desktop, qPrintable(m_session.diagnostics()));
        const QRect screen = m_session.outputGeometry(output);
        const XWindow panel = desktop->waitForAppWindow(Panel::size);
        const QRect panelFrame = desktop->screenGeometry(panel).translated(-screen.topLeft());

        QVERIFY(desktop->click(panel, Panel::crop));
        WAIT_FOR(*desktop, overlayOn(*desktop, screen));
        // The overlay shows the portal's picture: the pattern, with the panel.
        const QImage shown = desktop->windowImage(overlayOn(*desktop, screen));
        const QRect clear(panelFrame.right() + 20, 0, screen.width() - panelFrame.right() - 20, screen.height());
        QCOMPARE(shown.copy(clear), m_patterns[output].copy(clear).convertToFormat(shown.format()));

        // A box away from the panel, traced on the overlay; it snaps to the
        // box of the points drawn, which is cut out exactly.
        const QList<QPoint> stroke = roughRectangle(QRect(screen.x() + 600, screen.y() + 300, 300, 200));
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
        const auto desktop = launch(0);
        QVERIFY2(desktop, qPrintable(m_session.diagnostics()));
        QVERIFY(desktop->click(desktop->waitForAppWindow(Panel::size), Panel::crop));
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
