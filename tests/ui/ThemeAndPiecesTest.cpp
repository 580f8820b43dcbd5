#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QtTest>

class ThemeAndPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void anAssetNameIsNeverAPath()
    {
        QVERIFY(!m_theme.image(QStringLiteral("icon-scissors")).isNull());
        QVERIFY(m_theme.image(QStringLiteral("icon-does-not-exist")).isNull());
        QVERIFY(m_theme.image(QStringLiteral("../fonts/DotGothic16-Regular")).isNull());
    }

    void titleBarButtons()
    {
        using B = WindowTitleBar::Button;
        // Gallery card 598.6 wide: minimise square 14..30 x 6..22, close centred at 574.6.
        // Mood board card 759 wide: close centred at 736.
        const TitleBarStyle gallery = TitleBarStyle::ideaGallery();
        const TitleBarStyle moodBoard = TitleBarStyle::moodBoard();
        const auto at = [](const TitleBarStyle& style, qreal width, QPointF point) {
            return int(WindowTitleBar::buttonAt(style, width, point));
        };
        QCOMPARE(
            (QList<int> { at(gallery, 598.6, { 14.1, 6.1 }), at(gallery, 598.6, { 13.9, 14 }),
                at(gallery, 598.6, { 582.5, 14 }), at(gallery, 598.6, { 582.7, 14 }), at(gallery, 598.6, { 299.3, 13 }),
                at(moodBoard, 759, { 728.1, 14 }), at(moodBoard, 759, { 727.9, 14 }) }),
            (QList<int> { int(B::minimize), int(B::none), int(B::close), int(B::none), int(B::none), int(B::close),
                int(B::none) }));
    }

private:
    Theme m_theme;
};

QTEST_MAIN(ThemeAndPiecesTest)
#include "ThemeAndPiecesTest.moc"
