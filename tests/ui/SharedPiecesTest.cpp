#include "ui/Checkbox.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/MenuItemRow.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QEnterEvent>
#include <QPainter>
#include <QtTest>

class SharedPiecesTest : public QObject {
    Q_OBJECT

private slots:
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

    void piecesDrawTheirStates_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<bool>("state"); // on, pressed, enabled
        QTest::addColumn<QPointF>("point");
        QTest::addColumn<char>("kind");

        // Checkbox at 4 pixels a point: corners cut by the 3.5 radius, the 8.75
        // mark spanning 2.625 to 11.375.
        QTest::newRow("checkbox corner") << "checkbox" << false << QPointF(0.2, 0.2) << 'c';
        QTest::newRow("checkbox outline") << "checkbox" << true << QPointF(0.1, 7.1) << 'b';
        QTest::newRow("checkbox off") << "checkbox" << false << QPointF(2.9, 7.1) << 'w';
        QTest::newRow("checkbox on") << "checkbox" << true << QPointF(2.9, 7.1) << 'b';
        QTest::newRow("checkbox past mark") << "checkbox" << true << QPointF(11.6, 7.1) << 'w';
        // Dialog button at 2x: radius 6 leaves the corner clear, a one-point
        // outline, a face that turns black while pressed.
        QTest::newRow("button corner") << "button" << false << QPointF(0.25, 0.25) << 'c';
        QTest::newRow("button outline") << "button" << false << QPointF(38, 0.75) << 'b';
        QTest::newRow("button face") << "button" << false << QPointF(4, 13) << 'w';
        QTest::newRow("button pressed") << "button" << true << QPointF(4, 13) << 'b';
        // A hovered menu row inverts, only when enabled.
        QTest::newRow("menu row hovered") << "menu row" << true << QPointF(150, 10) << 'b';
        QTest::newRow("menu row disabled") << "menu row" << false << QPointF(150, 10) << 'w';
    }

    void piecesDrawTheirStates()
    {
        QFETCH(QString, piece);
        QFETCH(bool, state);
        QFETCH(QPointF, point);
        QFETCH(char, kind);
        const QImage image = render(piece, state);
        const qreal r = image.devicePixelRatio();
        const QColor c = image.pixelColor(int(point.x() * r), int(point.y() * r)); // the pixel whose area holds it
        const int grey = qGray(c.rgb());
        QVERIFY2(kind == 'c' ? c.alpha() == 0 : c.alpha() == 255 && (kind == 'b' ? grey < 40 : grey > 245),
            qPrintable(c.name(QColor::HexArgb)));
    }

private:
    // The piece drawn on a clear canvas at the scale its rows are worked out for.
    QImage render(const QString& piece, bool state) const
    {
        const auto canvas = [](QSizeF size, qreal ratio) {
            QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            return image;
        };
        if (piece == "checkbox") {
            QImage image = canvas({ 14, 14 }, 4);
            QPainter painter(&image);
            Checkbox::paint(painter, { 0, 0 }, state, m_theme.palette());
            return image;
        }
        if (piece == "button") {
            ScrapwickDialogButton button(m_theme, QStringLiteral("Delete"));
            button.setDown(state);
            QImage image = canvas(button.size(), 2);
            button.render(&image, {}, {}, QWidget::DrawChildren);
            return image;
        }
        MenuItemRow row(m_theme, QStringLiteral("Download"));
        row.resize(162, 20);
        row.setEnabled(state);
        QEnterEvent enter(QPointF(80, 10), QPointF(80, 10), QPointF(80, 10));
        QCoreApplication::sendEvent(&row, &enter);
        QImage image = canvas(row.size(), 1);
        row.render(&image);
        return image;
    }

    Theme m_theme;
};

QTEST_MAIN(SharedPiecesTest)
#include "SharedPiecesTest.moc"
