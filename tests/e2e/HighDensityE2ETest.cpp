#include "E2ETest.h"
#include "support/CapturePattern.h"

#include <QRegularExpression>
#include <QSet>

namespace {

constexpr int ratio = 2;
const QRect patternArea(300, 200, 900, 600); // in the screen's pixels

// The whole screen as the app's own capture helper sees it.
QImage screenshot(const X11Session& session)
{
    QTemporaryDir folder;
    (void)session.run(SCREEN_CAPTURE_HELPER, { "-x", "-m", folder.filePath("screen.png") });
    return QImage(folder.filePath("screen.png"));
}

// The 2 x 2 blocks of `image`, from its top left, that are not of one colour.
QList<QPoint> unevenBlocks(const QImage& image, const QRect& area)
{
    QList<QPoint> uneven;
    for (int y = area.top(); y + 1 <= area.bottom(); y += 2)
        for (int x = area.left(); x + 1 <= area.right(); x += 2) {
            const QRgb pixel = image.pixel(x, y);
            if (image.pixel(x + 1, y) != pixel || image.pixel(x, y + 1) != pixel || image.pixel(x + 1, y + 1) != pixel)
                uneven.append({ x, y });
        }
    return uneven;
}

} // namespace

// The app at a device pixel ratio of 2 (QT_SCALE_FACTOR=2 on a 1920 x 1080
// Xvfb screen, 960 x 540 points): cut-outs in the screen's real pixels, pixel
// art drawn in whole 2 x 2 blocks.
class HighDensityE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    void cutOutsAndPixelArtAtTwicePixelsPerPoint()
    {
        X11Session session({ .windowManager = true });
        QVERIFY2(session.start(), qPrintable(session.lastError()));
        QVERIFY(switchShapeRecognitionOn(session));
        const QImage pattern = CapturePattern::image(patternArea.width(), patternArea.height());
        QVERIFY(session.setBackground(patternArea,
            QByteArray::fromRawData(reinterpret_cast<const char*>(pattern.constBits()), pattern.sizeInBytes())));
        QProcessEnvironment scaled;
        scaled.insert("QT_SCALE_FACTOR", QString::number(ratio));
        QVERIFY2(session.launchApp(scaled), qPrintable(session.lastError()));

        // The panel, 78 x 87 points: nothing smoothed anywhere (black, white
        // and the label's near-black only), and its pixel art, the minimise
        // box and the button field down to the mood-board button (which lies
        // on half points), every point a 2 x 2 block: the checkerboard, both
        // icons and their buttons. (Text is drawn at the doubled size, sharp
        // but in pixels of its own.)
        const XWindow panel = session.waitForAppWindow(Panel::size * ratio);
        QVERIFY2(panel, qPrintable(session.diagnostics()));
        WAIT_FOR(session, session.grayAt(panel, Panel::galleryFace * ratio) == 255); // painted
        const QImage face = session.windowImage(panel);
        // (In points: the field within its rounded corners, which are shapes; the minimise box.)
        for (const QRect& art : { QRect(8, 16, 62, 34), QRect(6, 2, 12, 12) })
            QCOMPARE(unevenBlocks(face, QRect(art.topLeft() * ratio, art.size() * ratio)), QList<QPoint>());
        QSet<QRgb> colours;
        for (int y = 0; y < face.height(); ++y)
            for (int x = 0; x < face.width(); ++x)
                colours.insert(face.pixel(x, y) | 0xff000000);
        QCOMPARE(colours, (QSet<QRgb> { qRgb(0, 0, 0), qRgb(255, 255, 255), qRgb(2, 2, 2) }));

        // Crop mode: the overlay shows the screen as it was, pixel for pixel.
        const QImage before = screenshot(session);
        QVERIFY(session.click(panel, Panel::crop * ratio));
        WAIT_FOR(session, session.appWindow([](QRect r) { return r == QRect(0, 0, 1920, 1080); }));
        WAIT_FOR(session, screenshot(session).copy(patternArea) == before.copy(patternArea));

        // The box of the points drawn (on half points: the pointer moves in
        // pixels) gives twice its points in pixels, the screen's own.
        const QList<QPoint> stroke = roughRectangle(QRect(QPoint(500, 400), QPoint(900, 650)));
        QVERIFY(session.drag(stroke));
        WAIT_FOR(session, storedCutouts(session).size() == 1);
        const QImage stored(session.scrapwickFolder() + "/cutouts/" + storedCutouts(session).first());
        const QRect drawn = QPolygon(stroke.toVector()).boundingRect();
        const QRect box(drawn.topLeft(), drawn.size() - QSize(1, 1));
        const QRegularExpression points(R"(^crop complete, size: \(([\d.]+), ([\d.]+)\)$)");
        const QRegularExpressionMatch said = points.match(session.appOutputLines().filter("crop complete").value(0));
        QVERIFY2(said.hasMatch(), qPrintable(session.diagnostics()));
        QCOMPARE(QSizeF(said.captured(1).toDouble(), said.captured(2).toDouble()) * ratio, QSizeF(box.size()));
        QCOMPARE(stored.size(), box.size());
        QCOMPARE(stored.convertToFormat(QImage::Format_RGB32), pattern.copy(box.translated(-patternArea.topLeft())));
    }
};

QTEST_GUILESS_MAIN(HighDensityE2ETest)
#include "HighDensityE2ETest.moc"
