#include "ui/ConfirmationDialogFrame.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QPainter>
#include <QtTest>

namespace {
// The pixel whose area holds `point`: 'c' clear, 'b' or 'w' opaque black or white, else '?'.
QChar shade(const QImage& image, QPointF point)
{
    const qreal r = image.devicePixelRatio();
    const QColor c = image.pixelColor(int(point.x() * r), int(point.y() * r));
    if (c.alpha() == 0)
        return 'c';
    return c.alpha() < 255 ? '?' : qGray(c.rgb()) < 40 ? 'b' : qGray(c.rgb()) > 245 ? 'w' : '?';
}
} // namespace

class ThemeAndPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void everyAssetTheWindowsAskForIsShippedAndANameIsNeverAPath()
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
        for (const QString& name : names)
            QVERIFY2(!m_theme.image(name).isNull() && Theme::assetNames().contains(name), qPrintable(name));
        // A name is never a path.
        QVERIFY(m_theme.image(QStringLiteral("icon-does-not-exist")).isNull());
        QVERIFY(m_theme.image(QStringLiteral("../fonts/DotGothic16-Regular")).isNull());
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

    void dialogButtonFaceTurnsBlackWhilePressed()
    {
        ScrapwickDialogButton button(m_theme, QStringLiteral("Delete"));
        QStringList shades;
        for (const bool down : { false, true }) {
            button.setDown(down);
            QImage face(button.size() * 2, QImage::Format_ARGB32_Premultiplied);
            face.setDevicePixelRatio(2);
            face.fill(Qt::transparent);
            button.render(&face, {}, {}, QWidget::DrawChildren);
            // The face inside the one-point outline, and the corner the radius of 6 leaves clear.
            shades << QString(shade(face, { 4, 13 })) + shade(face, { 0.25, 0.25 });
        }
        QCOMPARE(shades, (QStringList { "wc", "bc" }));
    }

private:
    Theme m_theme;
};

QTEST_MAIN(ThemeAndPiecesTest)
#include "ThemeAndPiecesTest.moc"
