#include "E2ETest.h"
#include "support/CapturePattern.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>
#include <numbers>

namespace {

// Where the pattern lies on the 1920 × 1080 screen, in its pixels.
const QRect patternArea(300, 200, 900, 600);

// A wobbly freehand loop around (700, 500), radius 145 to 195, as a hand draws it.
QList<QPoint> freehandLoop()
{
    QList<QPoint> points;
    for (int k = 0; k <= 48; ++k) {
        const double angle = 2 * std::numbers::pi * k / 48, radius = 170 + 25 * std::sin(3 * angle);
        points.append(QPointF(700 + radius * std::cos(angle), 500 + radius * std::sin(angle)).toPoint());
    }
    return points;
}

// Presses the panel's crop button (the app at `ratio` pixels a point) and waits until the overlay is up.
bool enterCropMode(X11Session& session, int ratio = 1)
{
    return session.click(session.waitForAppWindow(Panel::size * ratio), Panel::crop * ratio)
        && QTest::qWaitFor([&] { return cropOverlay(session) != 0; });
}

// The whole screen as the app's own capture helper sees it.
QImage screenshot(const X11Session& session)
{
    QTemporaryDir folder;
    (void)session.run(SCREEN_CAPTURE_HELPER, { "-x", "-m", folder.filePath("screen.png") });
    return QImage(folder.filePath("screen.png"));
}

} // namespace

class CaptureE2ETest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { REQUIRE_XVFB(); }

    // Without a compositor the overlay shows a picture of the screen taken as
    // crop mode starts; with one, the screen shows through it. At a pixel
    // ratio of 2 (QT_SCALE_FACTOR=2 on the 1920 x 1080 screen, 960 x 540
    // points) cut-outs are in the screen's real pixels, and the panel's pixel
    // art is drawn in whole 2 x 2 blocks.
    void capture_data()
    {
        QTest::addColumn<bool>("recognition");
        QTest::addColumn<bool>("compositor");
        QTest::addColumn<int>("ratio");
        QTest::newRow("freehand, no compositor") << false << false << 1;
        QTest::newRow("rough rectangle, shape recognition on, compositor") << true << true << 1;
        QTest::newRow("rough rectangle, shape recognition on, 2 pixels a point") << true << false << 2;
    }
    void capture()
    {
        QFETCH(bool, recognition);
        QFETCH(bool, compositor);
        QFETCH(int, ratio);
        X11Session session({ .windowManager = true, .compositor = compositor });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        if (recognition)
            switchShapeRecognitionOn(session);
        const QImage pattern = CapturePattern::image(patternArea.width(), patternArea.height());
        QVERIFY(session.setBackground(patternArea,
            QByteArray::fromRawData(reinterpret_cast<const char*>(pattern.constBits()), pattern.sizeInBytes())));
        QProcessEnvironment scaled;
        scaled.insert("QT_SCALE_FACTOR", QString::number(ratio));
        QVERIFY2(session.launchApp(scaled), qPrintable(session.lastError()));
        const XWindow panel = session.waitForAppWindow(Panel::size * ratio);

        if (ratio == 2) {
            // Nothing smoothed anywhere on the panel (black, white and the
            // label's near-black only), and every point of its pixel art a
            // 2 x 2 block: the button field down to the mood-board button
            // (which lies on half points) within its rounded corners, which
            // are shapes, and the minimise box. (Text is drawn at the doubled
            // size, sharp but in pixels of its own.)
            WAIT_FOR(session, session.grayAt(panel, Panel::galleryFace * ratio) == 255); // painted
            const QImage face = session.windowImage(panel);
            for (const QRect& art : { QRect(16, 32, 124, 68), QRect(12, 4, 24, 24) }) {
                const QImage part = face.copy(art);
                QVERIFY2(part == part.scaled(art.size() / 2).scaled(art.size()), "pixel art in whole blocks");
            }
            QSet<QRgb> colours;
            for (int y = 0; y < face.height(); ++y)
                for (int x = 0; x < face.width(); ++x)
                    colours.insert(face.pixel(x, y) | 0xff000000);
            QCOMPARE(colours, (QSet<QRgb> { qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(2, 2, 2) }));
        }

        // The crop button's face, away from its icon, as the screen shows it.
        const auto cropFace = [&] {
            return screenshot(session).pixel(
                session.screenGeometry(panel).topLeft() + (Panel::crop + QPoint(-9, -7)) * ratio);
        };
        const QImage before = screenshot(session);
        QVERIFY2(enterCropMode(session, ratio), qPrintable(session.diagnostics()));
        // The button is black, whether seen through the overlay or in its picture.
        QCOMPARE(cropFace(), qRgb(0, 0, 0));
        WAIT_FOR(session, screenshot(session).copy(patternArea) == before.copy(patternArea));

        // Escape does nothing; a right click leaves crop mode and stores nothing.
        QVERIFY(session.xdotool({ "mousemove", "800", "600", "key", "Escape" }).succeeded());
        QTest::qWait(200);
        QVERIFY2(cropOverlay(session), "Escape does nothing");
        QVERIFY(session.click(cropOverlay(session), { 800, 600 }, 3));
        WAIT_FOR(session, session.appOutputLines().contains("crop mode exited") && !cropOverlay(session));
        QTest::qWait(300);
        QVERIFY(storedCutouts(session).isEmpty() && session.clipboardImage().isNull());

        QVERIFY2(enterCropMode(session, ratio), qPrintable(session.diagnostics()));
        const QList<QPoint> stroke
            = recognition ? roughRectangle(QRect(QPoint(550, 350), QPoint(950, 600))) : freehandLoop();
        QVERIFY(session.drag(stroke));
        WAIT_FOR(session, storedCutoutSizes(session).size() == 1);
        const QImage copied = session.clipboardImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(storedCutoutImages(session)[0].convertToFormat(QImage::Format_ARGB32), copied);
        const QRect drawn = QPolygon(stroke.toVector()).boundingRect();
        if (recognition) {
            // Exactly the box of the points drawn, fully opaque, which the log
            // gives in points (on half points at ratio 2: the pointer moves in pixels).
            const QRect box(drawn.topLeft() - patternArea.topLeft(), drawn.size() - QSize(1, 1));
            QCOMPARE(copied, pattern.copy(box).convertToFormat(QImage::Format_ARGB32));
            const QRegularExpressionMatch said = QRegularExpression(R"(^crop complete, size: \(([\d.]+), ([\d.]+)\)$)")
                                                     .match(session.appOutputLines().filter("crop complete").value(0));
            QCOMPARE(QSizeF(said.captured(1).toDouble(), said.captured(2).toDouble()) * ratio, QSizeF(box.size()));
        } else {
            // Smoothing rounds the loop a little. The centre's colour tells where
            // the cut-out lies; the square of 180 around the loop's centre lies
            // wholly inside it and is exactly the screen; the box's corners are
            // transparent.
            const QPoint centre(copied.width() / 2, copied.height() / 2);
            const QPoint offset = patternArea.topLeft() + CapturePattern::positionOf(copied.pixel(centre)) - centre;
            QVERIFY2((offset - drawn.topLeft()).manhattanLength() < 16, "the cut-out lies where the loop was drawn");
            const QRect square(610, 410, 180, 180);
            QCOMPARE(copied.copy(square.translated(-offset)),
                pattern.copy(square.translated(-patternArea.topLeft())).convertToFormat(QImage::Format_ARGB32));
            QCOMPARE(qAlpha(copied.pixel(0, 0)) + qAlpha(copied.pixel(copied.width() - 1, copied.height() - 1)), 0);
        }
        QCOMPARE(session.appOutputLines().count("crop mode exited"), 2);
        WAIT_FOR(session, cropFace() == qRgb(255, 255, 255) && !cropOverlay(session));
    }

    void quittingWhileTheHelperRunsEndsTheCaptureAndExitsCleanly()
    {
        // A copy of the app with a stand-in helper beside it that would take
        // 30 s and notes its process id.
        QTemporaryDir app;
        const QString helperPid = app.filePath("helper.pid"), helper = app.filePath("scrapwick-screencapture");
        QVERIFY(QFile::copy(X11Session::scrapwickPath(), app.filePath("scrapwick"))
            && writeFile(helper, ("#!/bin/sh\necho $$ > '" + helperPid + "'\nexec sleep 30\n").toUtf8())
            && QFile::setPermissions(helper, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

        X11Session session({ .windowManager = true });
        QVERIFY2(session.start() && session.launchApp({}, app.filePath("scrapwick")), qPrintable(session.lastError()));
        QVERIFY2(enterCropMode(session), qPrintable(session.diagnostics()));
        QVERIFY(session.drag(freehandLoop()));
        WAIT_FOR(session, QFile::exists(helperPid));

        // "Quit Scrapwick", the last row of the panel's menu.
        QVERIFY(session.openMenu(session.waitForAppWindow(Panel::size), Panel::titleRow));
        QVERIFY(session.xdotool({ "key", "Up", "Return" }).succeeded());
        WAIT_FOR(session, session.app()->state() == QProcess::NotRunning);
        QCOMPARE(session.app()->exitStatus(), QProcess::NormalExit);
        QCOMPARE(session.app()->exitCode(), 0);

        // The helper was stopped, and neither a cut-out nor the capture's
        // temporary folder is left behind; nothing is logged as failed.
        const QString stat = "/proc/" + readFile(helperPid).trimmed() + "/stat";
        WAIT_FOR(session, readFile(stat).isEmpty() || readFile(stat).contains(") Z ")); // gone, or a zombie
        QVERIFY(storedCutouts(session).isEmpty());
        QCOMPARE(QDir(session.runtimeDir()).entryList({ "scrapwick_cap_*" }, QDir::AllEntries), QStringList());
        QCOMPARE(session.appOutputLines().filter(QRegularExpression("failed|crop complete")), QStringList());
    }

    // "-R X,Y,W,H" reads that area of the X screen (another monitor's), in
    // either spelling; an area off the screen or a malformed one is refused.
    void helperReadsAnAreaOfTheScreen()
    {
        X11Session session({ .screenSize = { 64, 16 } });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QImage row(64, 1, QImage::Format_RGB32);
        for (int x = 0; x < 64; ++x)
            row.setPixel(x, 0, qRgb(x * 4, 255 - x * 4, 7));
        QVERIFY(session.setBackground(
            QRect(0, 3, 64, 1), QByteArray(reinterpret_cast<const char*>(row.constBits()), int(row.sizeInBytes()))));
        QTemporaryDir folder;
        const QString file = folder.filePath("area.png");
        const struct {
            QString area, error; // no error: the 8 x 2 pixels from (40, 2)
        } cases[] = { { "-R40,2,8,2", "" }, { "-R 40,2,8,2", "" }, { "-R 60,0,8,2", "outside the screen" },
            { "-R -1,0,8,2", "outside the screen" }, { "-R 4,0,0,2", "bad area" }, { "-R 4,0,8", "bad area" },
            { "-R 4,0,8,2,", "bad area" } };
        for (const auto& [area, error] : cases) {
            QFile::remove(file);
            const CommandResult result
                = session.run(SCREEN_CAPTURE_HELPER, QStringList { "-x" } + area.split(' ') << file);
            const QImage image(file);
            QVERIFY2(error.isEmpty()
                    ? result.succeeded() && image.size() == QSize(8, 2) && image.pixel(0, 0) == qRgb(0, 0, 0)
                        && image.copy(0, 1, 8, 1).convertToFormat(QImage::Format_RGB32) == row.copy(40, 0, 8, 1)
                    : result.exitCode == 1 && result.errors.contains(error) && image.isNull(),
                qPrintable(area + ": " + result.errors));
        }
    }

    // The helper turns each deep or shallow true-colour layout the X server
    // may use into 8-bit RGB, channel values v of n bits becoming
    // round(v · 255 / (2ⁿ − 1)), and refuses a colour-mapped screen. (At depth
    // 24 every capture above reads the screen.)
    void helperReadsTheScreensColourLayout()
    {
        const struct {
            int depth;
            QList<quint32> pixels;
            QList<QRgb> expected; // empty: refused
        } layouts[] = {
            // Red 0x3ff00000, green 0xffc00, blue 0x3ff: 512 → 127.6, 700 → 174.49, 300 → 74.8.
            { 30, { 1023u << 20 | 512 << 10 | 4, 1000u << 20 | 700 << 10 | 300, 0x3ff },
                { qRgb(255, 128, 1), qRgb(249, 174, 75), qRgb(0, 0, 255) } },
            // 5-6-5: 32 of 63 → 129.5, 16 of 31 → 131.6, 1 of 31 → 8.2.
            { 16, { 31 << 11 | 32 << 5 | 1, 16 << 11 | 63 << 5 | 31 }, { qRgb(255, 130, 8), qRgb(132, 255, 255) } },
            { 8, {}, {} },
        };
        for (const auto& layout : layouts) {
            X11Session session({ .screenSize = { 64, 16 }, .depth = layout.depth });
            QVERIFY2(session.start(), qPrintable(session.lastError()));
            QByteArray words;
            for (const quint32 word : layout.pixels)
                words.append(reinterpret_cast<const char*>(&word), layout.depth == 16 ? 2 : 4);
            QVERIFY(words.isEmpty() || session.setBackground(QRect(0, 0, int(layout.pixels.size()), 1), words));
            QTemporaryDir folder;
            const CommandResult result = session.run(SCREEN_CAPTURE_HELPER, { "-x", "-m", folder.filePath("s.png") });
            const QImage image(folder.filePath("s.png"));
            QList<QRgb> shown;
            for (int x = 0; x < layout.expected.size(); ++x)
                shown.append(image.pixel(x, 0));
            QVERIFY2(layout.expected.isEmpty() ? result.exitCode == 1
                        && result.errors.contains("unsupported screen pixel format") && image.isNull()
                                               : result.succeeded() && image.size() == QSize(64, 16),
                qPrintable(result.errors));
            QCOMPARE(shown, layout.expected);
        }
    }
};

QTEST_GUILESS_MAIN(CaptureE2ETest)
#include "CaptureE2ETest.moc"
