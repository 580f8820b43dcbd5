#include "CapturePattern.h"
#include "X11Session.h"

#include <QDir>
#include <QFile>
#include <QPainterPath>
#include <QRegularExpression>
#include <QtTest>

#include <cmath>
#include <numbers>

namespace {

#define REQUIRE_XVFB()                                                                                                 \
    if (!X11Session::xvfbAvailable())                                                                                  \
    QSKIP("Xvfb is not installed; scripts/install-deps installs it")

// Where the pattern window sits on the 1920 × 1080 screen.
const QRect patternArea(300, 200, 900, 600);
// The floating panel's size, and its crop button's face centre inside it.
const QSize panelSize(78, 87);
const QPoint cropButtonCentre(24, 33);

QPointF onCircle(QPointF centre, double radius, double angle)
{
    return centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
}

// A wobbly freehand loop, as a hand draws it (screen pixels, y down).
QList<QPoint> freehandLoop()
{
    QList<QPoint> points;
    for (int k = 0; k <= 48; ++k) {
        const double angle = 2 * std::numbers::pi * k / 48;
        const QPointF p = onCircle({ 700, 500 }, 170 + 25 * std::sin(3 * angle), angle);
        points.append(p.toPoint());
    }
    return points;
}

// A rectangle 400 × 250 at (550, 350) traced with a shaky hand.
QList<QPoint> roughRectangle()
{
    QList<QPoint> points;
    const int jitter[] = { 0, 2, -1, 3, 1, -2, 0, 2 };
    int j = 0;
    auto wobble = [&] { return jitter[j++ % 8]; };
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

QPainterPath polygonPath(const QList<QPoint>& points)
{
    QPainterPath path;
    path.moveTo(points.first());
    for (const QPoint p : points)
        path.lineTo(p);
    path.closeSubpath();
    path.setFillRule(Qt::WindingFill);
    return path;
}

// Whether every point within `margin` of `p` lies on the same side of the outline.
enum class Side { inside, outside, edge };
Side sideOf(const QPainterPath& outline, QPointF p, double margin)
{
    int inside = 0;
    for (const QPointF d :
        { QPointF(0, 0), QPointF(margin, 0), QPointF(-margin, 0), QPointF(0, margin), QPointF(0, -margin),
            QPointF(margin, margin), QPointF(-margin, -margin), QPointF(margin, -margin), QPointF(-margin, margin) })
        inside += outline.contains(p + d) ? 1 : 0;
    return inside == 9 ? Side::inside : inside == 0 ? Side::outside : Side::edge;
}

class CaptureScenario {
public:
    explicit CaptureScenario(X11Session& session)
        : m_session(session)
    {
    }

    ~CaptureScenario()
    {
        if (m_pattern.state() != QProcess::NotRunning) {
            m_pattern.terminate();
            if (!m_pattern.waitForFinished(2000))
                m_pattern.kill();
        }
    }

    bool showPattern()
    {
        QProcessEnvironment environment = m_session.environment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        m_pattern.setProcessEnvironment(environment);
        m_pattern.start(QStringLiteral(CAPTURE_PATTERN_WINDOW),
            { QString::number(patternArea.x()), QString::number(patternArea.y()), QString::number(patternArea.width()),
                QString::number(patternArea.height()) });
        return m_pattern.waitForStarted(5000) && X11Session::waitUntil([&] {
            return m_pattern.canReadLine() && m_pattern.readLine().startsWith("ready");
        });
    }

    // The app's floating panel: its top-level window of the panel's size.
    std::optional<QRect> panelGeometry() const
    {
        for (const XWindow window : m_session.windowsOfProcess(m_session.appPid())) {
            if (!m_session.isViewable(window))
                continue;
            const std::optional<QRect> geometry = windowGeometry(window);
            if (geometry && geometry->size() == panelSize)
                return geometry;
        }
        return std::nullopt;
    }

    std::optional<QRect> windowGeometry(XWindow window) const
    {
        const CommandResult info = m_session.xwininfo({ QStringLiteral("-id"), QString::number(window) });
        const auto number = [&](const QString& label) {
            const QRegularExpressionMatch match
                = QRegularExpression(label + QStringLiteral(":\\s+(-?\\d+)")).match(info.output);
            return match.hasMatch() ? match.captured(1).toInt() : -1;
        };
        if (!info.succeeded())
            return std::nullopt;
        return QRect(number(QStringLiteral("Absolute upper-left X")), number(QStringLiteral("Absolute upper-left Y")),
            number(QStringLiteral("Width")), number(QStringLiteral("Height")));
    }

    bool overlayShown() const
    {
        for (const XWindow window : m_session.windowsOfProcess(m_session.appPid()))
            if (m_session.isViewable(window) && windowGeometry(window) == QRect(0, 0, 1920, 1080))
                return true;
        return false;
    }

    // Presses the panel's crop button and waits until the overlay is up.
    bool enterCropMode()
    {
        if (!X11Session::waitUntil([&] { return panelGeometry().has_value(); }, 10000))
            return false;
        const QPoint button = panelGeometry()->topLeft() + cropButtonCentre;
        if (!m_session
                 .xdotool({ QStringLiteral("mousemove"), QString::number(button.x()), QString::number(button.y()),
                     QStringLiteral("click"), QStringLiteral("1") })
                 .succeeded())
            return false;
        return X11Session::waitUntil([&] { return overlayShown(); });
    }

    // The crop button's face, away from its icon: black while selected.
    std::optional<QRgb> cropButtonFace()
    {
        const std::optional<QRect> panel = panelGeometry();
        if (!panel)
            return std::nullopt;
        const QImage screen = screenshot();
        return screen.pixel(panel->topLeft() + cropButtonCentre + QPoint(-9, -7));
    }

    bool drag(const QList<QPoint>& points)
    {
        QStringList arguments { QStringLiteral("mousemove"), QString::number(points[0].x()),
            QString::number(points[0].y()), QStringLiteral("mousedown"), QStringLiteral("1") };
        for (const QPoint p : points.mid(1))
            arguments << QStringLiteral("sleep") << QStringLiteral("0.01") << QStringLiteral("mousemove")
                      << QString::number(p.x()) << QString::number(p.y());
        arguments << QStringLiteral("mouseup") << QStringLiteral("1");
        return m_session.xdotool(arguments).succeeded();
    }

    QByteArray runBytes(const QString& program, const QStringList& arguments) const
    {
        QProcess process;
        process.setProcessEnvironment(m_session.environment());
        process.start(program, arguments);
        if (!process.waitForFinished(5000) || process.exitCode() != 0)
            return {};
        return process.readAllStandardOutput();
    }

    QImage clipboardImage() const
    {
        const QByteArray png = runBytes(QStringLiteral("xclip"),
            { QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                QStringLiteral("image/png"), QStringLiteral("-o") });
        return QImage::fromData(png, "PNG");
    }

    // The whole screen as the app's own capture helper sees it.
    QImage screenshot() const
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("screen.png"));
        QProcess helper;
        helper.setProcessEnvironment(m_session.environment());
        helper.start(QStringLiteral(SCREEN_CAPTURE_HELPER), { QStringLiteral("-x"), QStringLiteral("-m"), file });
        helper.waitForFinished(5000);
        return QImage(file);
    }

    QStringList lines() { return m_session.appOutputLines(); }

    std::optional<QSizeF> cropCompleteSize()
    {
        static const QRegularExpression pattern(QStringLiteral("^crop complete, size: \\(([0-9.]+), ([0-9.]+)\\)$"));
        for (const QString& line : lines()) {
            const QRegularExpressionMatch match = pattern.match(line);
            if (match.hasMatch())
                return QSizeF(match.captured(1).toDouble(), match.captured(2).toDouble());
        }
        return std::nullopt;
    }

    QStringList storedCutouts() const
    {
        return QDir(m_session.scrapwickFolder() + QStringLiteral("/cutouts"))
            .entryList({ QStringLiteral("*.png") }, QDir::Files);
    }

    QByteArray index() const
    {
        QFile file(m_session.scrapwickFolder() + QStringLiteral("/gallery-index.json"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

private:
    X11Session& m_session;
    QProcess m_pattern;
};

} // namespace

class CaptureE2ETest : public QObject {
    Q_OBJECT

private:
    // Checks a freehand cut-out against the pattern under the drawn loop.
    static void verifyFreehandCutout(const QImage& cutout, const QList<QPoint>& loop)
    {
        QVERIFY(!cutout.isNull());
        const QImage image = cutout.convertToFormat(QImage::Format_ARGB32);
        // The centre is inside the loop: its colour says where the cut-out lies.
        const QPoint centre(image.width() / 2, image.height() / 2);
        QCOMPARE(qAlpha(image.pixel(centre)), 255);
        const QPoint offset = patternArea.topLeft() + CapturePattern::positionOf(image.pixel(centre)) - centre;

        const QPainterPath outline = polygonPath(loop);
        int inside = 0, outside = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QPointF screen = QPointF(offset + QPoint(x, y)) + QPointF(0.5, 0.5);
                const QRgb pixel = image.pixel(x, y);
                // Smoothing moves the outline by a few pixels; judge clear cases only.
                switch (sideOf(outline, screen, 8)) {
                case Side::inside: {
                    const QPoint source = offset + QPoint(x, y) - patternArea.topLeft();
                    if (pixel != CapturePattern::colourAt(source.x(), source.y()))
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2 is %3").arg(x).arg(y).arg(pixel, 8, 16)));
                    ++inside;
                    break;
                }
                case Side::outside:
                    if (qAlpha(pixel) != 0)
                        QFAIL(qPrintable(QStringLiteral("pixel %1,%2 outside is not transparent").arg(x).arg(y)));
                    ++outside;
                    break;
                case Side::edge:
                    break;
                }
            }
        }
        QVERIFY2(inside > 60000, qPrintable(QString::number(inside)));
        QVERIFY2(outside > 5000, qPrintable(QString::number(outside)));
    }

private slots:
    void freehandLoopIsCutOutStoredAndCopied_data()
    {
        QTest::addColumn<bool>("compositor");
        QTest::newRow("with a compositor") << true;
        QTest::newRow("without a compositor") << false;
    }
    void freehandLoopIsCutOutStoredAndCopied()
    {
        QFETCH(bool, compositor);
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = compositor, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        CaptureScenario scenario(session);
        QVERIFY2(scenario.showPattern(), "the pattern window did not show");
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        const QImage before = scenario.screenshot();

        QVERIFY2(scenario.enterCropMode(), qPrintable(session.diagnostics()));
        // The button turns black behind a transparent overlay. Without a compositor
        // the overlay shows the screen as it was just before the button changed.
        if (compositor)
            QCOMPARE(scenario.cropButtonFace(), std::optional<QRgb>(qRgb(0, 0, 0)));
        // The overlay looks like nothing at all: truly transparent, or showing the
        // screen as it was.
        QVERIFY(X11Session::waitUntil(
            [&] {
                const QImage during = scenario.screenshot();
                return during.copy(patternArea) == before.copy(patternArea);
            },
            2000));

        const QList<QPoint> loop = freehandLoop();
        QVERIFY(scenario.drag(loop));
        QVERIFY2(X11Session::waitUntil([&] { return scenario.cropCompleteSize().has_value(); }, 2000),
            qPrintable(session.diagnostics()));
        const QImage copied = scenario.clipboardImage();
        const QSizeF size = *scenario.cropCompleteSize();
        QCOMPARE(copied.size(), QSize(int(size.width()), int(size.height())));
        verifyFreehandCutout(copied, loop);

        QVERIFY(X11Session::waitUntil([&] { return scenario.storedCutouts().size() == 1; }, 2000));
        const QString stored = scenario.storedCutouts().first();
        QVERIFY(X11Session::waitUntil([&] { return scenario.index().contains(stored.chopped(4).toLatin1()); }, 2000));
        QCOMPARE(QImage(session.scrapwickFolder() + QStringLiteral("/cutouts/") + stored)
                     .convertToFormat(QImage::Format_ARGB32),
            copied.convertToFormat(QImage::Format_ARGB32));

        QVERIFY(session.appOutputLines().contains(QStringLiteral("crop mode exited")));
        QVERIFY(X11Session::waitUntil([&] { return scenario.cropButtonFace() == qRgb(255, 255, 255); }, 2000));
        QVERIFY(!scenario.overlayShown());
    }

    void roughRectangleSnapsToItsBox()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        // "Shape Recognition" switched on, as the menu stores it.
        QVERIFY(QDir().mkpath(session.configHome() + QStringLiteral("/Scrapwick")));
        QFile settings(session.configHome() + QStringLiteral("/Scrapwick/Scrapwick.conf"));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[General]\nshapeRecognition.enabled=true\n");
        settings.close();

        CaptureScenario scenario(session);
        QVERIFY(scenario.showPattern());
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        QVERIFY2(scenario.enterCropMode(), qPrintable(session.diagnostics()));

        const QList<QPoint> stroke = roughRectangle();
        QVERIFY(scenario.drag(stroke));
        QVERIFY2(X11Session::waitUntil([&] { return scenario.cropCompleteSize().has_value(); }, 2000),
            qPrintable(session.diagnostics()));

        // The box of the points drawn: x 548..953, y 348..603.
        const QRect box = QPolygon(stroke.toVector()).boundingRect();
        QCOMPARE(*scenario.cropCompleteSize(), QSizeF(box.width() - 1, box.height() - 1));
        const QImage copied = scenario.clipboardImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(copied.size(), QSize(box.width() - 1, box.height() - 1));
        for (int y = 0; y < copied.height(); ++y)
            for (int x = 0; x < copied.width(); ++x) {
                const QPoint source = box.topLeft() + QPoint(x, y) - patternArea.topLeft();
                if (copied.pixel(x, y) != CapturePattern::colourAt(source.x(), source.y()))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2").arg(x).arg(y)));
            }
        QVERIFY(X11Session::waitUntil([&] { return scenario.storedCutouts().size() == 1; }, 2000));
    }

    void rightClickLeavesCropModeAndStoresNothing()
    {
        REQUIRE_XVFB();
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        CaptureScenario scenario(session);
        QVERIFY2(session.launchApp(), qPrintable(session.lastError()));
        QVERIFY2(scenario.enterCropMode(), qPrintable(session.diagnostics()));

        QVERIFY(session
                    .xdotool({ QStringLiteral("mousemove"), QStringLiteral("800"), QStringLiteral("600"),
                        QStringLiteral("key"), QStringLiteral("Escape") })
                    .succeeded());
        QTest::qWait(200);
        QVERIFY2(scenario.overlayShown(), "Escape does nothing");

        QVERIFY(session.xdotool({ QStringLiteral("click"), QStringLiteral("3") }).succeeded());
        QVERIFY2(session.waitForAppLine(QStringLiteral("crop mode exited"), 2000), qPrintable(session.diagnostics()));
        QVERIFY(X11Session::waitUntil([&] { return !scenario.overlayShown(); }, 2000));
        QTest::qWait(300);
        QVERIFY(scenario.storedCutouts().isEmpty());
        QVERIFY(!scenario.cropCompleteSize());
        QVERIFY(scenario.clipboardImage().isNull());
    }
};

QTEST_GUILESS_MAIN(CaptureE2ETest)
#include "CaptureE2ETest.moc"
