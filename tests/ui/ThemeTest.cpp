#include "ui/Theme.h"

#include <QFontInfo>
#include <QPainter>
#include <QtTest>

class ThemeTest : public QObject {
    Q_OBJECT

private slots:
    void everyNamedAssetResolves_data();
    void everyNamedAssetResolves();
    void unknownNameGivesNothing();
    void highDensityImagesAreWholePixelCopies();
    void tintKeepsShapeAndTakesColour();
    void fontRolesUseTheShippedPixelFonts();
    void drawImageIsPixelExactAtTwoTimes();
    void applicationIconHasTheDesktopSizes();
};

void ThemeTest::everyNamedAssetResolves_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("minimumSize");
    // Every asset the windows ask for, with the smallest size at which they use it.
    const QList<std::pair<const char*, QSize>> names {
        { "checkerboard-tile", { 2, 2 } },
        { "icon-clear-a", { 48, 25 } },
        { "icon-clear-b", { 48, 25 } },
        { "icon-delete", { 43, 43 } },
        { "icon-flip-h-row", { 130, 18 } },
        { "icon-flip-v-row", { 130, 18 } },
        { "icon-gallery-close", { 16, 16 } },
        { "icon-gallery-minimize", { 16, 16 } },
        { "icon-gallery-scroll-down", { 28, 28 } },
        { "icon-gallery-scroll-up", { 28, 28 } },
        { "icon-gallery-titlebar-stripe", { 1, 16 } },
        { "icon-heart", { 15, 13 } },
        { "icon-layer-copy", { 43, 43 } },
        { "icon-layer-move-down", { 14, 14 } },
        { "icon-layer-move-up", { 14, 14 } },
        { "icon-layer-order", { 43, 43 } },
        { "icon-layer-radio-a", { 7, 7 } },
        { "icon-layer-radio-b", { 7, 7 } },
        { "icon-layer-rotate-handle", { 14, 14 } },
        { "icon-layer-scrollbar-thumb", { 17, 8 } },
        { "icon-layer-to-bottom", { 14, 14 } },
        { "icon-layer-to-top", { 14, 14 } },
        { "icon-menubar", { 16, 16 } },
        { "icon-minimize", { 7, 7 } },
        { "icon-moodboard-scroll-down", { 28, 28 } },
        { "icon-moodboard-scroll-left", { 28, 28 } },
        { "icon-moodboard-scroll-right", { 28, 28 } },
        { "icon-moodboard-scroll-up", { 28, 28 } },
        { "icon-moodboard-titlebar-stripe", { 1, 16 } },
        { "icon-redo", { 43, 43 } },
        { "icon-rotate", { 43, 43 } },
        { "icon-rotate-left-row", { 130, 18 } },
        { "icon-rotate-right-row", { 130, 18 } },
        { "icon-save-a", { 48, 25 } },
        { "icon-save-b", { 48, 25 } },
        { "icon-scissors", { 15, 13 } },
        { "icon-undo", { 43, 43 } },
        { "moodboard-layerpanel-scrollbar-track-tile", { 1, 1 } },
        // Drawn at natural size along the whole track of the largest window.
        { "moodboard-scrollbar-track-tile", { 2400, 28 } },
        { "moodboard-scrollbar-track-tile-vertical", { 28, 2400 } },
        { "moodboard-toolbar-topbar-tile", { 1, 18 } },
        { "scrollbar-track-tile", { 28, 1 } },
    };
    for (const auto& [name, size] : names)
        QTest::newRow(name) << QString::fromLatin1(name) << size;
}

void ThemeTest::everyNamedAssetResolves()
{
    QFETCH(QString, name);
    QFETCH(QSize, minimumSize);
    const Theme theme;
    QVERIFY(theme.hasImage(name));
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

void ThemeTest::unknownNameGivesNothing()
{
    const Theme theme;
    QVERIFY(!theme.hasImage(QStringLiteral("icon-does-not-exist")));
    QVERIFY(theme.image(QStringLiteral("icon-does-not-exist")).isNull());
    QVERIFY(theme.icon(QStringLiteral("icon-does-not-exist")).isNull());
    // A name is never a path.
    QVERIFY(theme.image(QStringLiteral("../fonts/DotGothic16-Regular")).isNull());
}

void ThemeTest::highDensityImagesAreWholePixelCopies()
{
    const Theme theme;
    const QImage one = theme.image(QStringLiteral("icon-heart"), 1.0);
    for (const qreal ratio : { 2.0, 1.5 }) {
        const QImage two = theme.image(QStringLiteral("icon-heart"), ratio);
        QCOMPARE(two.size(), one.size() * 2);
        QCOMPARE(two.devicePixelRatio(), 2.0);
        QCOMPARE(two.deviceIndependentSize(), QSizeF(one.size()));
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x)
                for (const QPoint d : { QPoint(0, 0), QPoint(1, 0), QPoint(0, 1), QPoint(1, 1) })
                    QCOMPARE(two.pixel(2 * x + d.x(), 2 * y + d.y()), one.pixel(x, y));
    }
}

void ThemeTest::tintKeepsShapeAndTakesColour()
{
    QImage source(3, 1, QImage::Format_ARGB32_Premultiplied);
    source.setPixelColor(0, 0, QColor(0, 0, 0, 255));
    source.setPixelColor(1, 0, QColor(0, 0, 0, 0));
    source.setPixelColor(2, 0, QColor(0, 0, 0, 128));
    const QImage white = Theme::tinted(source, Qt::white);
    QCOMPARE(white.pixelColor(0, 0), QColor(Qt::white));
    QCOMPARE(white.pixelColor(1, 0).alpha(), 0);
    QCOMPARE(white.pixelColor(2, 0).alpha(), 128);
    QCOMPARE(white.pixelColor(2, 0).red(), 255);
}

void ThemeTest::fontRolesUseTheShippedPixelFonts()
{
    const Theme theme;
    QCOMPARE(theme.fontFamily(FontRole::chicago), QStringLiteral("MisakiGothic2nd"));
    QCOMPARE(theme.fontFamily(FontRole::geneva), QStringLiteral("DotGothic16"));
    const QFont title = theme.font(FontRole::chicago, 20);
    QCOMPARE(QFontInfo(title).family(), QStringLiteral("MisakiGothic2nd"));
    QCOMPARE(title.pixelSize(), 20);
    // Fractional layout sizes round to whole pixels.
    QCOMPARE(theme.font(FontRole::chicago, 7.7).pixelSize(), 8);
    QCOMPARE(theme.font(FontRole::geneva, 7).pixelSize(), 7);
    QCOMPARE(QFontInfo(theme.font(FontRole::geneva, 14)).family(), QStringLiteral("DotGothic16"));
}

void ThemeTest::drawImageIsPixelExactAtTwoTimes()
{
    const Theme theme;
    QImage canvas(60, 60, QImage::Format_ARGB32_Premultiplied);
    canvas.setDevicePixelRatio(2.0);
    const QImage one = theme.image(QStringLiteral("icon-scissors"));
    // Plain on white, then as a white template on black (a selected button):
    // each source pixel covers exactly one 2 x 2 block, starting one device
    // pixel in, because a half-point origin is one device pixel at 2x.
    for (const bool selected : { false, true }) {
        canvas.fill(selected ? Qt::black : Qt::white);
        {
            QPainter painter(&canvas);
            theme.drawImage(painter, QRectF(0.5, 0.5, 15, 13), QStringLiteral("icon-scissors"),
                selected ? std::optional<QColor>(Qt::white) : std::nullopt);
        }
        const QColor background = selected ? QColor(Qt::black) : QColor(Qt::white);
        for (int y = 0; y < one.height(); ++y)
            for (int x = 0; x < one.width(); ++x) {
                const QColor source = one.pixelColor(x, y);
                const QColor expected = source.alpha() == 0 ? background : selected ? QColor(Qt::white) : source;
                for (const QPoint d : { QPoint(1, 1), QPoint(2, 1), QPoint(1, 2), QPoint(2, 2) })
                    QCOMPARE(canvas.pixelColor(2 * x + d.x(), 2 * y + d.y()), expected);
            }
        QCOMPARE(canvas.pixelColor(0, 0), background);
    }
}

void ThemeTest::applicationIconHasTheDesktopSizes()
{
    const Theme theme;
    const QIcon icon = theme.applicationIcon();
    QVERIFY(!icon.isNull());
    for (const int size : { 16, 22, 24, 32, 48, 64, 128, 256 })
        QVERIFY2(icon.availableSizes().contains(QSize(size, size)), qPrintable(QString::number(size)));
}

QTEST_MAIN(ThemeTest)
#include "ThemeTest.moc"
