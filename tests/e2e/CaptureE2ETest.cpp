#include "X11Session.h"
#include "support/CapturePattern.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <xcb/xcb.h>

#include <cmath>
#include <numbers>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// Where the pattern lies on the 1920 × 1080 screen.
const QRect patternArea(300, 200, 900, 600);
// The floating panel's size, and its crop button's face centre inside it.
const QSize panelSize(78, 87);
const QPoint cropButtonCentre(24, 33);

// A wobbly freehand loop, as a hand draws it (screen pixels, y down).
QList<QPoint> freehandLoop()
{
    QList<QPoint> points;
    for (int k = 0; k <= 48; ++k) {
        const double angle = 2 * std::numbers::pi * k / 48, radius = 170 + 25 * std::sin(3 * angle);
        points.append(QPointF(700 + radius * std::cos(angle), 500 + radius * std::sin(angle)).toPoint());
    }
    return points;
}

// A rectangle 400 × 250 at (550, 350) traced with a shaky hand.
QList<QPoint> roughRectangle()
{
    const int jitter[] = { 0, 2, -1, 3, 1, -2, 0, 2 };
    QList<QPoint> points;
    const auto wobble = [&] { return jitter[points.size() % 8]; };
    for (int x = 550; x < 950; x += 20)
        points.append({ x, 350 + wobble() });
    for (int y = 350; y < 600; y += 20)
        points.append({ 950 + wobble(), y });
    for (int x = 950; x > 550; x -= 20)
        points.append({ x, 600 + wobble() });
    for (int y = 600; y > 350; y -= 20)
        points.append({ 550 + wobble(), y });
    points.append({ 552, 352 });
    return points;
}

QRect panel(const X11Session& session)
{
    return session.screenGeometry(session.appWindow([](QRect r) { return r.size() == panelSize; }));
}

bool overlayShown(const X11Session& session)
{
    return session.appWindow([](QRect r) { return r == QRect(0, 0, 1920, 1080); }) != 0;
}

// Presses the panel's crop button and waits until the overlay is up.
bool enterCropMode(const X11Session& session)
{
    return X11Session::waitUntil([&] { return panel(session).isValid(); }, 10000)
        && session.clickAt(panel(session).topLeft() + cropButtonCentre)
        && X11Session::waitUntil([&] { return overlayShown(session); });
}

// The whole screen as the app's own capture helper sees it.
QImage screenshot(const X11Session& session)
{
    QTemporaryDir folder;
    const QString file = folder.filePath("screen.png");
    (void)session.run(SCREEN_CAPTURE_HELPER, { "-x", "-m", file });
    return QImage(file);
}

// The crop button's face, away from its icon, as the screen shows it.
QRgb cropButtonFace(const X11Session& session)
{
    return screenshot(session).pixel(panel(session).topLeft() + cropButtonCentre + QPoint(-9, -7));
}

bool drag(const X11Session& session, const QList<QPoint>& points)
{
    QString steps = QString("mousemove %1 %2 mousedown 1").arg(points[0].x()).arg(points[0].y());
    for (const QPoint p : points.mid(1))
        steps += QString(" sleep 0.01 mousemove %1 %2").arg(p.x()).arg(p.y());
    return session.xdotool((steps + " mouseup 1").split(' ')).succeeded();
}

QImage clipboardImage(const X11Session& session)
{
    const CommandResult png = session.run("sh", { "-c", "xclip -selection clipboard -t image/png -o | base64 -w0" });
    return QImage::fromData(QByteArray::fromBase64(png.output.toLatin1()), "PNG")
        .convertToFormat(QImage::Format_ARGB32);
}

std::optional<QSizeF> cropCompleteSize(X11Session& session)
{
    static const QRegularExpression line(R"(^crop complete, size: \(([0-9.]+), ([0-9.]+)\)$)");
    for (const QString& text : session.appOutputLines())
        if (const QRegularExpressionMatch match = line.match(text); match.hasMatch())
            return QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
    return std::nullopt;
}

QStringList storedCutouts(const X11Session& session)
{
    return QDir(session.scrapwickFolder() + "/cutouts").entryList({ "*.png" }, QDir::Files);
}

// A freehand cut-out of the loop around (700, 500), whose radius is 145 to 195:
// its centre's colour tells where it was cut from; within 130 of the centre it
// is exactly the screen, at the corners of its box it is transparent.
void verifyFreehandCutout(const QImage& image, const QList<QPoint>& loop)
{
    const QPoint centre(image.width() / 2, image.height() / 2);
    const QPoint offset = patternArea.topLeft() + CapturePattern::positionOf(image.pixel(centre)) - centre;
    QVERIFY2((offset - QPolygon(loop.toVector()).boundingRect().topLeft()).manhattanLength() < 16,
        "the cut-out lies where the loop was drawn");
    for (int dy = -130; dy <= 130; dy += 5)
        for (int dx = -130; dx <= 130; dx += 5) {
            const QPoint screen = QPoint(700 + dx, 500 + dy), source = screen - patternArea.topLeft();
            if (dx * dx + dy * dy <= 130 * 130
                && image.pixel(screen - offset) != CapturePattern::colourAt(source.x(), source.y()))
                QFAIL(qPrintable(QStringLiteral("screen pixel %1,%2").arg(screen.x()).arg(screen.y())));
        }
    for (const QPoint corner : { QPoint(0, 0), QPoint(image.width() - 1, image.height() - 1) })
        QCOMPARE(qAlpha(image.pixel(corner)), 0);
}

// Makes `pixels` (rows of server pixel words, least significant byte first,
// each row a multiple of 4 bytes) the desktop background within `area`, black
// elsewhere, as wallpaper setters do: the X server, or the compositor through
// _XROOTPMAP_ID, redraws it at once wherever it is uncovered.
bool setBackground(const QString& display, int depth, const QRect& area, const QByteArray& pixels)
{
    xcb_connection_t* c = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const auto disconnect = qScopeGuard([c] { xcb_disconnect(c); });
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    const xcb_gcontext_t gc = xcb_generate_id(c);
    xcb_create_pixmap(c, uint8_t(depth), pixmap, screen->root, screen->width_in_pixels, screen->height_in_pixels);
    xcb_create_gc(c, gc, pixmap, 0, nullptr);
    const xcb_rectangle_t whole { 0, 0, screen->width_in_pixels, screen->height_in_pixels };
    xcb_poly_fill_rectangle(c, pixmap, gc, 1, &whole);
    const int rowBytes = int(pixels.size()) / std::max(area.height(), 1);
    for (int y = 0; y < area.height(); y += 32) { // requests well under the size limit
        const int rows = std::min(32, area.height() - y);
        xcb_put_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, uint16_t(area.width()), uint16_t(rows),
            int16_t(area.x()), int16_t(area.y() + y), 0, uint8_t(depth), uint32_t(rows * rowBytes),
            reinterpret_cast<const uint8_t*>(pixels.constData()) + y * rowBytes);
    }
    xcb_set_close_down_mode(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT); // the pixmap outlives this connection
    xcb_change_window_attributes(c, screen->root, XCB_CW_BACK_PIXMAP, &pixmap);
    xcb_clear_area(c, 0, screen->root, 0, 0, 0, 0);
    for (const QByteArray name : { "_XROOTPMAP_ID", "_XSETROOT_ID" }) {
        const auto atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.data()), nullptr);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, screen->root, atom->atom, XCB_ATOM_PIXMAP, 32, 1, &pixmap);
        free(atom);
    }
    const auto error = xcb_request_check(c, xcb_free_gc_checked(c, gc));
    free(error);
    return !error && !xcb_connection_has_error(c);
}

} // namespace

class CaptureE2ETest : public QObject {
    Q_OBJECT

private slots:
    void capture_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::addColumn<bool>("recognition");
        QTest::newRow("freehand with a compositor") << true << false;
        QTest::newRow("freehand without a compositor") << false << false;
        QTest::newRow("rough rectangle, shape recognition on") << true << true;
    }
    void capture()
    {
        QFETCH(bool, compositor);
        QFETCH(bool, recognition);
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = compositor, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        if (recognition) { // "Shape Recognition" switched on, as the menu stores it
            QVERIFY(QDir().mkpath(session.configHome() + "/Scrapwick"));
            QFile settings(session.configHome() + "/Scrapwick/Scrapwick.conf");
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write("[General]\nshapeRecognition.enabled=true\n");
        }
        const QImage pattern = CapturePattern::image(patternArea.width(), patternArea.height());
        QVERIFY(setBackground(session.display(), 24, patternArea,
            QByteArray::fromRawData(reinterpret_cast<const char*>(pattern.constBits()), pattern.sizeInBytes())));
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        const QImage before = screenshot(session);

        QVERIFY2(enterCropMode(session), qPrintable(session.diagnostics()));
        // The button is black, whether seen through the overlay or, without a
        // compositor, in the overlay's picture of the screen.
        QCOMPARE(cropButtonFace(session), qRgb(0, 0, 0));
        QVERIFY2(X11Session::waitUntil(
                     [&] { return screenshot(session).copy(patternArea) == before.copy(patternArea); }, 2000),
            "the overlay shows something other than the screen");

        // Escape does nothing; a right click leaves crop mode and stores nothing.
        QVERIFY(session.xdotool({ "mousemove", "800", "600", "key", "Escape" }).succeeded());
        QTest::qWait(200);
        QVERIFY2(overlayShown(session), "Escape does nothing");
        QVERIFY(session.clickAt({ 800, 600 }, 3));
        QVERIFY2(session.waitForAppLine("crop mode exited", 2000), qPrintable(session.diagnostics()));
        QVERIFY(X11Session::waitUntil([&] { return !overlayShown(session); }, 2000));
        QTest::qWait(300);
        QVERIFY(storedCutouts(session).isEmpty());
        QVERIFY(!cropCompleteSize(session));
        QVERIFY(clipboardImage(session).isNull());

        QVERIFY2(enterCropMode(session), qPrintable(session.diagnostics()));
        const QList<QPoint> stroke = recognition ? roughRectangle() : freehandLoop();
        QVERIFY(drag(session, stroke));
        QVERIFY2(X11Session::waitUntil([&] { return cropCompleteSize(session).has_value(); }, 2000),
            qPrintable(session.diagnostics()));
        const QImage copied = clipboardImage(session);
        const QSizeF size = *cropCompleteSize(session);
        QCOMPARE(copied.size(), QSize(int(size.width()), int(size.height())));
        if (recognition) {
            // Exactly the box of the points drawn (x 548..953, y 348..603), fully opaque.
            const QRect box = QPolygon(stroke.toVector()).boundingRect();
            QCOMPARE(size, QSizeF(box.width() - 1, box.height() - 1));
            for (int y = 0; y < copied.height(); ++y)
                for (int x = 0; x < copied.width(); ++x) {
                    const QPoint source = box.topLeft() + QPoint(x, y) - patternArea.topLeft();
                    if (copied.pixel(x, y) != CapturePattern::colourAt(source.x(), source.y()))
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
                }
        } else {
            verifyFreehandCutout(copied, stroke);
            if (QTest::currentTestFailed())
                return;
        }

        QVERIFY(X11Session::waitUntil([&] { return storedCutouts(session).size() == 1; }, 2000));
        const QString stored = storedCutouts(session).first();
        QCOMPARE(
            QImage(session.scrapwickFolder() + "/cutouts/" + stored).convertToFormat(QImage::Format_ARGB32), copied);
        QCOMPARE(session.appOutputLines().count("crop mode exited"), 2);
        QVERIFY(X11Session::waitUntil([&] { return cropButtonFace(session) == qRgb(255, 255, 255); }, 2000));
        QVERIFY(!overlayShown(session));
    }

    void quittingWhileTheHelperRunsEndsTheCaptureAndExitsCleanly()
    {
        REQUIRE_XVFB();
        // A copy of the app with a stand-in helper beside it that would take
        // 30 s and noted its process id.
        QTemporaryDir app;
        const QString helperPid = app.filePath("helper.pid");
        QFile helper(app.filePath("scrapwick-screencapture"));
        QVERIFY(
            QFile::copy(X11Session::scrapwickPath(), app.filePath("scrapwick")) && helper.open(QIODevice::WriteOnly));
        helper.write(("#!/bin/sh\necho $$ > '" + helperPid + "'\nexec sleep 30\n").toUtf8());
        helper.close();
        helper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        X11Session session({ .windowManager = true });
        QVERIFY2(
            session.start() && session.launchApp({}, {}, app.filePath("scrapwick")), qPrintable(session.lastError()));
        QVERIFY2(enterCropMode(session), qPrintable(session.diagnostics()));
        QVERIFY(drag(session, freehandLoop()));
        QVERIFY2(X11Session::waitUntil([&] { return QFile::exists(helperPid); }), qPrintable(session.diagnostics()));

        // "Quit Scrapwick", the last row of the menu a right click on the panel opens.
        QVERIFY(session.clickAt(panel(session).topLeft() + QPoint(40, 8), 3));
        QVERIFY(X11Session::waitUntil([&] { return session.viewableTopLevelsOfApp().size() == 2; }));
        QVERIFY(session.pressKeys({ "Up", "Return" }));
        QVERIFY2(X11Session::waitUntil([&] { return session.app()->state() == QProcess::NotRunning; }),
            qPrintable(session.diagnostics()));
        QCOMPARE(session.app()->exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.app()->exitCode(), 0);

        // The helper was stopped, and neither a cut-out nor the capture's
        // temporary folder is left behind.
        QFile pidFile(helperPid);
        QVERIFY(pidFile.open(QIODevice::ReadOnly));
        QFile stat("/proc/" + pidFile.readAll().trimmed() + "/stat");
        QVERIFY(X11Session::waitUntil([&] {
            stat.close();
            return !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        }));
        QVERIFY(storedCutouts(session).isEmpty());
        QCOMPARE(QDir(session.runtimeDir()).entryList({ "scrapwick_cap_*" }, QDir::AllEntries), QStringList());
        QVERIFY(!session.appOutputLines().contains("screencapture failed"));
    }

    // The helper turns each true-colour layout the X server may use into 8-bit
    // RGB; channel values v of n bits become round(v · 255 / (2ⁿ − 1)).
    void helperReadsTheScreensColourLayout_data()
    {
        QTest::addColumn<int>("depth");
        QTest::addColumn<QList<quint32>>("pixels");
        QTest::addColumn<QList<QRgb>>("expected"); // empty: the helper refuses the screen
        QTest::newRow("24 bits") << 24 << QList<quint32> { 0xff8001, 0x00ff00, 0x0000ff }
                                 << QList<QRgb> { qRgb(255, 128, 1), qRgb(0, 255, 0), qRgb(0, 0, 255) };
        // Red 0x3ff00000, green 0xffc00, blue 0x3ff: 512 → 127.6, 700 → 174.49, 300 → 74.8.
        QTest::newRow("30 bits") << 30
                                 << QList<quint32> { 1023u << 20 | 512 << 10 | 4, 1000u << 20 | 700 << 10 | 300, 0x3ff }
                                 << QList<QRgb> { qRgb(255, 128, 1), qRgb(249, 174, 75), qRgb(0, 0, 255) };
        // 5-6-5: 32 of 63 → 129.5, 16 of 31 → 131.6, 1 of 31 → 8.2.
        QTest::newRow("16 bits") << 16 << QList<quint32> { 31 << 11 | 32 << 5 | 1, 16 << 11 | 63 << 5 | 31 }
                                 << QList<QRgb> { qRgb(255, 130, 8), qRgb(132, 255, 255) };
        QTest::newRow("8-bit colour map") << 8 << QList<quint32>() << QList<QRgb>();
    }
    void helperReadsTheScreensColourLayout()
    {
        QFETCH(int, depth);
        QFETCH(QList<quint32>, pixels);
        QFETCH(QList<QRgb>, expected);
        REQUIRE_XVFB();
        X11Session session({ .screenSize = { 64, 16 }, .depth = depth });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QByteArray words;
        for (const quint32 word : pixels)
            words.append(reinterpret_cast<const char*>(&word), depth == 16 ? 2 : 4);
        QVERIFY(pixels.isEmpty() || setBackground(session.display(), depth, QRect(0, 0, int(pixels.size()), 1), words));
        QTemporaryDir folder;
        const QString file = folder.filePath("screen.png");
        const CommandResult result = session.run(SCREEN_CAPTURE_HELPER, { "-x", "-m", file });
        if (expected.isEmpty()) {
            QCOMPARE(result.exitCode, 1);
            QVERIFY2(result.errors.contains("unsupported screen pixel format"), qPrintable(result.errors));
            QVERIFY(!QFile::exists(file));
            return;
        }
        QVERIFY2(result.succeeded(), qPrintable(result.errors));
        const QImage image(file);
        QCOMPARE(image.size(), QSize(64, 16));
        for (int x = 0; x < expected.size(); ++x)
            QCOMPARE(QString::number(image.pixel(x, 0), 16), QString::number(expected[x], 16));
    }
};

QTEST_GUILESS_MAIN(CaptureE2ETest)
#include "CaptureE2ETest.moc"
