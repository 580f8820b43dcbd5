#include "ui/Checkbox.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QFontInfo>
#include <QPainter>
#include <QtTest>

namespace {
// 'b' or 'w' for opaque black or white in the pixel whose area holds `point`, else '?'.
QChar shade(const QImage& image, QPointF point)
{
    const qreal r = image.devicePixelRatio();
    const QColor c = image.pixelColor(int(point.x() * r), int(point.y() * r));
    return c.alpha() < 255 ? '?' : qGray(c.rgb()) < 40 ? 'b' : qGray(c.rgb()) > 245 ? 'w' : '?';
}
} // namespace

class ThemeAndPiecesTest : public QObject {
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
        for (const QString& name : names) {
            const QImage image = m_theme.image(name).convertToFormat(QImage::Format_ARGB32);
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
        QVERIFY(m_theme.image(QStringLiteral("icon-does-not-exist")).isNull());
        QVERIFY(m_theme.image(QStringLiteral("../fonts/DotGothic16-Regular")).isNull());
    }

    void fontRolesUseTheShippedPixelFonts()
    {
        QCOMPARE(QFontInfo(m_theme.font(FontRole::chicago, 20)).family(), QStringLiteral("MisakiGothic2nd"));
        QCOMPARE(QFontInfo(m_theme.font(FontRole::geneva, 14)).family(), QStringLiteral("DotGothic16"));
    }

    void drawImageIsPixelExactAtTwoTimes()
    {
        QImage canvas(60, 60, QImage::Format_ARGB32_Premultiplied);
        canvas.setDevicePixelRatio(2.0);
        canvas.fill(Qt::black);
        QPainter painter(&canvas);
        m_theme.drawImage(painter, QRectF(0.5, 0.5, 15, 13), QStringLiteral("icon-scissors"), QColor(Qt::white));
        painter.end();
        // As a white template on black (a selected button): each source pixel
        // covers exactly one 2 x 2 block, starting one device pixel in, because a
        // half-point origin is one device pixel at 2x.
        const QImage one = m_theme.image(QStringLiteral("icon-scissors"));
        const QRect drawn(1, 1, 2 * one.width(), 2 * one.height());
        for (int y = 0; y <= drawn.bottom() + 1; ++y)
            for (int x = 0; x <= drawn.right() + 1; ++x) {
                const bool inked = drawn.contains(x, y) && one.pixelColor((x - 1) / 2, (y - 1) / 2).alpha() != 0;
                QCOMPARE(canvas.pixelColor(x, y), inked ? QColor(Qt::white) : QColor(Qt::black));
            }
    }

    void geometry()
    {
        using B = WindowTitleBar::Button;
        // Gallery card 598.6 wide: minimise square 14..30 x 6..22, close centred at 574.6.
        // Mood board card 759 wide: close centred at 736.
        const TitleBarStyle gallery = TitleBarStyle::ideaGallery();
        const TitleBarStyle moodBoard = TitleBarStyle::moodBoard();
        QCOMPARE(WindowTitleBar::buttonAt(gallery, 598.6, { 14.1, 6.1 }), B::minimize);
        QCOMPARE(WindowTitleBar::buttonAt(gallery, 598.6, { 13.9, 14 }), B::none);
        QCOMPARE(WindowTitleBar::buttonAt(gallery, 598.6, { 582.5, 14 }), B::close);
        QCOMPARE(WindowTitleBar::buttonAt(gallery, 598.6, { 582.7, 14 }), B::none);
        QCOMPARE(WindowTitleBar::buttonAt(gallery, 598.6, { 299.3, 13 }), B::none);
        QCOMPARE(WindowTitleBar::buttonAt(moodBoard, 759, { 728.1, 14 }), B::close);
        QCOMPARE(WindowTitleBar::buttonAt(moodBoard, 759, { 727.9, 14 }), B::none);
        QCOMPARE(ConfirmationDialogFrame::innerRect(QRectF(0, 0, 400, 126)), QRectF(4, 4, 392, 118));
        QCOMPARE(ConfirmationDialogFrame(m_theme).size(), QSize(400, 126));
        QCOMPARE(ScrapwickDialogButton(m_theme, QStringLiteral("Delete")).size(), QSize(77, 26));
    }

    void checkboxAndDialogButtonInvertWithTheirState()
    {
        const auto canvas = [](QSizeF size, qreal ratio) {
            QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            return image;
        };
        QStringList shades;
        for (const bool on : { false, true }) {
            // Checkbox at 4 pixels a point: the 8.75 mark spans 2.625 to 11.375.
            QImage box = canvas({ 14, 14 }, 4);
            QPainter painter(&box);
            Checkbox::paint(painter, { 0, 0 }, on, m_theme.palette());
            painter.end();
            // Dialog button at 2x: the face turns black while pressed.
            ScrapwickDialogButton button(m_theme, QStringLiteral("Delete"));
            button.setDown(on);
            QImage face = canvas(button.size(), 2);
            button.render(&face, {}, {}, QWidget::DrawChildren);
            shades << QString(shade(box, { 2.9, 7.1 })) + shade(box, { 11.6, 7.1 }) + shade(face, { 4, 13 });
        }
        QCOMPARE(shades, (QStringList { "www", "bwb" }));
    }

private:
    Theme m_theme;
};

QTEST_MAIN(ThemeAndPiecesTest)
#include "ThemeAndPiecesTest.moc"
