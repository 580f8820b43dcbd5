#include "ui/Theme.h"

#include <QFontInfo>
#include <QPainter>
#include <QtTest>

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void namedAssetsAreMonochromeArt()
    {
        // Every asset the windows ask for.
        const QStringList names = QStringLiteral(
            "checkerboard-tile icon-clear-a icon-clear-b icon-delete icon-flip-h-row icon-flip-v-row "
            "icon-gallery-close icon-gallery-minimize icon-gallery-scroll-down icon-gallery-scroll-up "
            "icon-gallery-titlebar-stripe icon-heart icon-layer-copy icon-layer-move-down icon-layer-move-up "
            "icon-layer-order icon-layer-radio-a icon-layer-radio-b icon-layer-rotate-handle "
            "icon-layer-scrollbar-thumb icon-layer-to-bottom icon-layer-to-top icon-menubar icon-minimize "
            "icon-moodboard-scroll-down icon-moodboard-scroll-left icon-moodboard-scroll-right "
            "icon-moodboard-scroll-up icon-moodboard-titlebar-stripe icon-redo icon-rotate icon-rotate-left-row "
            "icon-rotate-right-row icon-save-a icon-save-b icon-scissors icon-undo "
            "moodboard-layerpanel-scrollbar-track-tile moodboard-scrollbar-track-tile "
            "moodboard-scrollbar-track-tile-vertical moodboard-toolbar-topbar-tile scrollbar-track-tile")
                                      .split(QLatin1Char(' '));
        const Theme theme;
        for (const QString& name : names) {
            const QImage image = theme.image(name).convertToFormat(QImage::Format_ARGB32);
            QVERIFY2(!image.isNull() && Theme::assetNames().contains(name), qPrintable(name));
            // Every pixel is clear, or opaque black or white, and something is drawn.
            int inked = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb pixel = image.pixel(x, y);
                    QVERIFY2(qAlpha(pixel) == 0 || pixel == 0xff000000 || pixel == 0xffffffff, qPrintable(name));
                    inked += qAlpha(pixel) != 0;
                }
            QVERIFY2(inked > 0, qPrintable(name));
        }
        // A name is never a path.
        QVERIFY(theme.image(QStringLiteral("icon-does-not-exist")).isNull());
        QVERIFY(theme.image(QStringLiteral("../fonts/DotGothic16-Regular")).isNull());
    }

    void fontRolesUseTheShippedPixelFonts()
    {
        const Theme theme;
        QCOMPARE(QFontInfo(theme.font(FontRole::chicago, 20)).family(), QStringLiteral("MisakiGothic2nd"));
        QCOMPARE(QFontInfo(theme.font(FontRole::geneva, 14)).family(), QStringLiteral("DotGothic16"));
    }

    void drawImageIsPixelExactAtTwoTimes()
    {
        const Theme theme;
        QImage canvas(60, 60, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2.0);
        canvas.fill(Qt::black);
        {
            QPainter painter(&canvas);
            theme.drawImage(painter, QRectF(0.5, 0.5, 15, 13), QStringLiteral("icon-scissors"), QColor(Qt::white));
        }
        // As a white template on black (a selected button): each source pixel
        // covers exactly one 2 x 2 block, starting one device pixel in, because a
        // half-point origin is one device pixel at 2x.
        const QImage one = theme.image(QStringLiteral("icon-scissors"));
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x) {
                const QColor expected = one.pixelColor(x, y).alpha() == 0 ? QColor(Qt::black) : QColor(Qt::white);
                for (const QPoint d : { QPoint(1, 1), QPoint(2, 1), QPoint(1, 2), QPoint(2, 2) })
                    QCOMPARE(canvas.pixelColor(2 * x + d.x(), 2 * y + d.y()), expected);
            }
        QCOMPARE(canvas.pixelColor(0, 0), QColor(Qt::black));
    }
};

QTEST_MAIN(ThemeTest)
#include "ThemeTest.moc"
