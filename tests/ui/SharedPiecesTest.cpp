#include "ui/Checkbox.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/MenuItemRow.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QEnterEvent>
#include <QPainter>
#include <QtTest>

namespace {

// A canvas of `size` points at `ratio` device pixels per point.
QImage canvas(QSizeF size, qreal ratio, QColor fill = Qt::transparent)
{
    QImage image((size * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(fill);
    return image;
}

// The colour at a point given in points.
QColor at(const QImage& image, qreal x, qreal y)
{
    const qreal r = image.devicePixelRatio();
    return image.pixelColor(int(x * r), int(y * r));
}

bool isBlack(QColor c)
{
    return c.alpha() == 255 && c.red() < 40 && c.green() < 40 && c.blue() < 40;
}

bool isWhite(QColor c)
{
    return c.alpha() == 255 && c.red() > 245 && c.green() > 245 && c.blue() > 245;
}

int countPixels(const QImage& image, const QRect& area, bool (*predicate)(QColor))
{
    int n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            n += predicate(image.pixelColor(x, y)) ? 1 : 0;
    return n;
}

} // namespace

class SharedPiecesTest : public QObject {
    Q_OBJECT

private slots:
    void checkboxGeometry()
    {
        // Drawn at 4 device pixels per point; points are where a pixel's centre
        // lies; 'c' clear, 'b' black, 'w' white, when off and when on.
        const QList<std::pair<QPointF, const char*>> points { { { 0.2, 0.2 }, "cc" }, // cut by the 3.5 radius
            { { 0.1, 7.1 }, "bb" }, { { 1.6, 7.1 }, "ww" },
            // The 8.75 mark spans 2.625 to 11.375.
            { { 2.9, 7.1 }, "wb" }, { { 11.6, 7.1 }, "ww" } };
        for (const bool on : { false, true }) {
            QImage image = canvas({ 14, 14 }, 4);
            {
                QPainter painter(&image);
                Checkbox::paint(painter, { 0, 0 }, on, m_theme.palette());
            }
            for (const auto& [point, expected] : points) {
                const QColor c = at(image, point.x(), point.y());
                const char e = expected[on ? 1 : 0];
                QVERIFY2(e == 'c'  ? c.alpha() == 0
                        : e == 'b' ? isBlack(c)
                                   : isWhite(c),
                    qPrintable(
                        QStringLiteral("%1, %2: %3").arg(point.x()).arg(point.y()).arg(c.name(QColor::HexArgb))));
            }
        }
    }

    void dialogButtonInvertsWhilePressed()
    {
        ScrapwickDialogButton button(m_theme, QStringLiteral("Delete"));
        QCOMPARE(button.size(), QSize(77, 26));
        for (const bool pressed : { false, true }) {
            button.setDown(pressed);
            QImage image = canvas({ 77, 26 }, 2);
            button.render(&image, {}, {}, QWidget::DrawChildren);
            // Rounded corners (radius 6) leave the very corner clear; a one-point outline.
            QCOMPARE(at(image, 0.25, 0.25).alpha(), 0);
            QVERIFY(isBlack(at(image, 38, 0.75)));
            QVERIFY(isBlack(at(image, 0.25, 13)));
            // The face, away from the label: white, or black while pressed; the label the opposite.
            const QColor face = at(image, 4, 13);
            QVERIFY2(pressed ? isBlack(face) : isWhite(face), qPrintable(face.name()));
            QVERIFY(countPixels(image, QRect(40, 12, 74, 28), pressed ? isWhite : isBlack) > 20);
        }
    }

    void menuRowInvertsOnHoverOnlyWhenEnabled()
    {
        MenuItemRow row(m_theme, QStringLiteral("Download"));
        row.resize(162, 20);
        const auto hoverAndRender = [&] {
            QEnterEvent enter(QPointF(80, 10), QPointF(80, 10), QPointF(80, 10));
            QCoreApplication::sendEvent(&row, &enter);
            QImage image = canvas({ 162, 20 }, 1);
            row.render(&image);
            return image;
        };

        QImage image = hoverAndRender();
        QVERIFY(isBlack(image.pixelColor(150, 10)));
        QVERIFY(countPixels(image, QRect(12, 0, 60, 20), isWhite) > 20); // the label, inverted

        row.setEnabled(false);
        image = hoverAndRender();
        QVERIFY(isWhite(image.pixelColor(150, 10)));
    }

    void titleBarButtonZones()
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
    }

    void titleBarPixels()
    {
        QImage image = canvas({ 600, 28 }, 1);
        {
            QPainter painter(&image);
            WindowTitleBar::paint(painter, m_theme, TitleBarStyle::ideaGallery(), 600);
        }
        // Stripes every other row from x = 5 to 595 over y = 6..22.
        QVERIFY(isBlack(image.pixelColor(100, 7)));
        QVERIFY(isWhite(image.pixelColor(100, 8)));
        // The 149-point white box blanks the stripes around the title and holds its ink.
        QVERIFY(isWhite(image.pixelColor(230, 7)));
        QVERIFY(isBlack(image.pixelColor(222, 7)));
        QVERIFY(countPixels(image, QRect(230, 2, 140, 24), isBlack) > 50);
        // Grey squares under the buttons, the minimise bar across the middle of its own.
        const QColor square = image.pixelColor(15, 20);
        QVERIFY2(!isWhite(square) && !isBlack(square) && square.red() > 150, qPrintable(square.name()));
        QCOMPARE(image.pixelColor(569, 20), square);
        QVERIFY(isBlack(image.pixelColor(22, 13)));
    }

    void confirmationFrameHasTwoOutlines()
    {
        ConfirmationDialogFrame frame(m_theme);
        QCOMPARE(frame.size(), QSize(400, 126));
        QImage image = canvas({ 400, 126 }, 1);
        frame.render(&image);
        // Outer outline 1 point, a 3-point white gap, then the inner 2-point outline,
        // the same on every side.
        const QList<std::pair<int, bool>> fromEdge { { 0, true }, { 1, false }, { 3, false }, { 4, true }, { 5, true },
            { 6, false } };
        for (const auto& [d, black] : fromEdge) {
            for (const QPoint p : { QPoint(d, 63), QPoint(399 - d, 63), QPoint(200, d), QPoint(200, 125 - d) })
                QVERIFY2(black ? isBlack(image.pixelColor(p)) : isWhite(image.pixelColor(p)),
                    qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
        }
        QCOMPARE(ConfirmationDialogFrame::innerRect(QRectF(0, 0, 400, 126)), QRectF(4, 4, 392, 118));
    }

private:
    Theme m_theme;
};

QTEST_MAIN(SharedPiecesTest)
#include "SharedPiecesTest.moc"
