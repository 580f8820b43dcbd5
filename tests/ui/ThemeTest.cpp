#include "ui/Theme.h"

#include <QFontInfo>
#include <QPainter>
#include <QtTest>

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void everyNamedAssetResolves_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QSize>("minimumSize");
        // Every asset the windows ask for, with the smallest size at which they use it.
        const QList<std::pair<const char*, QSize>> names { { "checkerboard-tile", { 2, 2 } },
            { "icon-clear-a", { 48, 25 } }, { "icon-clear-b", { 48, 25 } }, { "icon-delete", { 43, 43 } },
            { "icon-flip-h-row", { 130, 18 } }, { "icon-flip-v-row", { 130, 18 } },
            { "icon-gallery-close", { 16, 16 } }, { "icon-gallery-minimize", { 16, 16 } },
            { "icon-gallery-scroll-down", { 28, 28 } }, { "icon-gallery-scroll-up", { 28, 28 } },
            { "icon-gallery-titlebar-stripe", { 1, 16 } }, { "icon-heart", { 15, 13 } },
            { "icon-layer-copy", { 43, 43 } }, { "icon-layer-move-down", { 14, 14 } },
            { "icon-layer-move-up", { 14, 14 } }, { "icon-layer-order", { 43, 43 } },
            { "icon-layer-radio-a", { 7, 7 } }, { "icon-layer-radio-b", { 7, 7 } },
            { "icon-layer-rotate-handle", { 14, 14 } }, { "icon-layer-scrollbar-thumb", { 17, 8 } },
            { "icon-layer-to-bottom", { 14, 14 } }, { "icon-layer-to-top", { 14, 14 } }, { "icon-menubar", { 16, 16 } },
            { "icon-minimize", { 7, 7 } }, { "icon-moodboard-scroll-down", { 28, 28 } },
            { "icon-moodboard-scroll-left", { 28, 28 } }, { "icon-moodboard-scroll-right", { 28, 28 } },
            { "icon-moodboard-scroll-up", { 28, 28 } }, { "icon-moodboard-titlebar-stripe", { 1, 16 } },
            { "icon-redo", { 43, 43 } }, { "icon-rotate", { 43, 43 } }, { "icon-rotate-left-row", { 130, 18 } },
            { "icon-rotate-right-row", { 130, 18 } }, { "icon-save-a", { 48, 25 } }, { "icon-save-b", { 48, 25 } },
            { "icon-scissors", { 15, 13 } }, { "icon-undo", { 43, 43 } },
            { "moodboard-layerpanel-scrollbar-track-tile", { 1, 1 } },
            { "moodboard-scrollbar-track-tile", { 2400, 28 } },
            { "moodboard-scrollbar-track-tile-vertical", { 28, 2400 } }, { "moodboard-toolbar-topbar-tile", { 1, 18 } },
            { "scrollbar-track-tile", { 28, 1 } } };
        for (const auto& [name, size] : names)
            QTest::newRow(name) << QString::fromLatin1(name) << size;
    }

    void everyNamedAssetResolves()
    {
        QFETCH(QString, name);
        QFETCH(QSize, minimumSize);
        const Theme theme;
        const QImage image = theme.image(name);
        QVERIFY(!image.isNull());
        QVERIFY2(image.width() >= minimumSize.width() && image.height() >= minimumSize.height(),
            qPrintable(QStringLiteral("%1 is %2 x %3").arg(name).arg(image.width()).arg(image.height())));

        // Monochrome: every pixel is clear, or opaque black or white.
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                if (c.alpha() == 0)
                    continue;
                QCOMPARE(c.alpha(), 255);
                QVERIFY2(c == QColor(Qt::black) || c == QColor(Qt::white), qPrintable(c.name()));
                ++inked;
            }
        QVERIFY2(inked > 0, "an asset with nothing drawn");
        QVERIFY(Theme::assetNames().contains(name));
    }

    void unknownNameGivesNothing()
    {
        const Theme theme;
        QVERIFY(theme.image(QStringLiteral("icon-does-not-exist")).isNull());
        // A name is never a path.
        QVERIFY(theme.image(QStringLiteral("../fonts/DotGothic16-Regular")).isNull());
    }

    void fontRolesUseTheShippedPixelFonts()
    {
        const Theme theme;
        // The shipped fonts really load; fractional layout sizes round to whole pixels.
        QCOMPARE(QFontInfo(theme.font(FontRole::chicago, 20)).family(), QStringLiteral("MisakiGothic2nd"));
        QCOMPARE(QFontInfo(theme.font(FontRole::geneva, 14)).family(), QStringLiteral("DotGothic16"));
        QCOMPARE(theme.font(FontRole::chicago, 7.7).pixelSize(), 8);
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
