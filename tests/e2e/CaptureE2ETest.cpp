#include "CapturePattern.h"
#include "X11Session.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

// Where the pattern window sits on the 1920 × 1080 screen.
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

// The app's viewable window of exactly this size.
std::optional<QRect> appWindow(const X11Session& session, QSize size)
{
    for (const XWindow window : session.windowsOfProcess(session.appPid()))
        if (const QRect geometry = session.screenGeometry(window);
            session.isViewable(window) && geometry.size() == size)
            return geometry;
    return std::nullopt;
}

bool overlayShown(const X11Session& session)
{
    return appWindow(session, { 1920, 1080 }) == QRect(0, 0, 1920, 1080);
}

// Presses the panel's crop button and waits until the overlay is up.
bool enterCropMode(const X11Session& session)
{
    return X11Session::waitUntil([&] { return appWindow(session, panelSize).has_value(); }, 10000)
        && session.clickAt(appWindow(session, panelSize)->topLeft() + cropButtonCentre)
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

// The crop button's face, away from its icon: black while selected.
std::optional<QRgb> cropButtonFace(const X11Session& session)
{
    if (const std::optional<QRect> panel = appWindow(session, panelSize))
        return screenshot(session).pixel(panel->topLeft() + cropButtonCentre + QPoint(-9, -7));
    return std::nullopt;
}

bool drag(const X11Session& session, const QList<QPoint>& points)
{
    QStringList arguments { "mousemove", QString::number(points[0].x()), QString::number(points[0].y()), "mousedown",
        "1" };
    for (const QPoint p : points.mid(1))
        arguments << "sleep"
                  << "0.01"
                  << "mousemove" << QString::number(p.x()) << QString::number(p.y());
    return session
        .xdotool(arguments << "mouseup"
                           << "1")
        .succeeded();
}

QImage clipboardImage(const X11Session& session)
{
    QProcess xclip;
    xclip.setProcessEnvironment(session.environment());
    xclip.start("xclip", { "-selection", "clipboard", "-t", "image/png", "-o" });
    if (!xclip.waitForFinished(5000) || xclip.exitCode() != 0)
        return {};
    return QImage::fromData(xclip.readAllStandardOutput(), "PNG").convertToFormat(QImage::Format_ARGB32);
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

// Checks a freehand cut-out against the pattern under the drawn loop.
void verifyFreehandCutout(const QImage& image, const QList<QPoint>& loop)
{
    // The centre is inside the loop: its colour says where the cut-out lies.
    const QPoint centre(image.width() / 2, image.height() / 2);
    QCOMPARE(qAlpha(image.pixel(centre)), 255);
    const QPoint offset = patternArea.topLeft() + CapturePattern::positionOf(image.pixel(centre)) - centre;
    // Black well inside the loop, white well outside, grey within 8 pixels of
    // it, where smoothing may move the outline: only clear cases are judged.
    QImage sides(image.size(), QImage::Format_RGB32);
    sides.fill(Qt::white);
    QPainter painter(&sides);
    painter.translate(-offset);
    painter.setPen(QPen(Qt::gray, 16));
    painter.setBrush(Qt::black);
    painter.drawPolygon(QPolygon(loop.toVector()));
    painter.end();
    int inside = 0, outside = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y), side = sides.pixel(x, y);
            const QPoint source = offset + QPoint(x, y) - patternArea.topLeft();
            if (side == qRgb(0, 0, 0) && pixel != CapturePattern::colourAt(source.x(), source.y()))
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(pixel, 8, 16)));
            if (side == qRgb(255, 255, 255) && qAlpha(pixel) != 0)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 outside is not transparent").arg(x).arg(y)));
            inside += side == qRgb(0, 0, 0);
            outside += side == qRgb(255, 255, 255);
        }
    }
    QVERIFY2(inside > 60000 && outside > 5000, qPrintable(QStringLiteral("%1 in, %2 out").arg(inside).arg(outside)));
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
        if (!X11Session::xvfbAvailable())
            QSKIP("Xvfb is not installed; scripts/install-deps installs it");
        X11Session session({ .windowManager = true, .compositor = compositor, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        if (recognition) { // "Shape Recognition" switched on, as the menu stores it
            QVERIFY(QDir().mkpath(session.configHome() + "/Scrapwick"));
            QFile settings(session.configHome() + "/Scrapwick/Scrapwick.conf");
            QVERIFY(settings.open(QIODevice::WriteOnly));
            settings.write("[General]\nshapeRecognition.enabled=true\n");
        }
        QProcess pattern;
        pattern.setProcessEnvironment(session.environment());
        pattern.start(CAPTURE_PATTERN_WINDOW,
            { QString::number(patternArea.x()), QString::number(patternArea.y()), QString::number(patternArea.width()),
                QString::number(patternArea.height()) });
        const auto stopPattern = qScopeGuard([&] {
            pattern.kill();
            pattern.waitForFinished();
        });
        QVERIFY2(X11Session::waitUntil([&] { return pattern.canReadLine() && pattern.readLine().startsWith("ready"); }),
            "the pattern window did not show");
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        const QImage before = screenshot(session);

        QVERIFY2(enterCropMode(session), qPrintable(session.diagnostics()));
        // The button turns black behind a transparent overlay; without a
        // compositor the overlay shows the screen as it was just before.
        if (compositor)
            QCOMPARE(cropButtonFace(session), std::optional<QRgb>(qRgb(0, 0, 0)));
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
        QVERIFY(X11Session::waitUntil(
            [&] {
                QFile index(session.scrapwickFolder() + "/gallery-index.json");
                return index.open(QIODevice::ReadOnly) && index.readAll().contains(stored.chopped(4).toLatin1());
            },
            2000));
        QCOMPARE(
            QImage(session.scrapwickFolder() + "/cutouts/" + stored).convertToFormat(QImage::Format_ARGB32), copied);
        QCOMPARE(session.appOutputLines().count("crop mode exited"), 2);
        QVERIFY(X11Session::waitUntil([&] { return cropButtonFace(session) == qRgb(255, 255, 255); }, 2000));
        QVERIFY(!overlayShown(session));
    }
};

QTEST_GUILESS_MAIN(CaptureE2ETest)
#include "CaptureE2ETest.moc"
