#include "ui/Checkbox.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/MenuItemRow.h"
#include "ui/ScrapwickDialogButtonStyle.h"
#include "ui/Theme.h"
#include "ui/WindowTitleBar.h"

#include <QEnterEvent>
#include <QPainter>
#include <QSignalSpy>
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
    void checkboxGeometry_data();
    void checkboxGeometry();
    void checkboxRowTogglesAnywhere();
    void dialogButtonInvertsWhilePressed();
    void menuRowInvertsOnHoverOnlyWhenEnabled();
    void titleBarButtonZones_data();
    void titleBarButtonZones();
    void titleBarPixels();
    void titleBarButtonsReportClicks();
    void confirmationFrameHasTwoOutlines();

private:
    Theme m_theme;
};

void SharedPiecesTest::checkboxGeometry_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<QString>("expected"); // "black", "white" or "clear"
    // Drawn at 4 device pixels per point; points are where a pixel's centre lies.
    for (const bool on : { false, true }) {
        const QByteArray state = on ? "on" : "off";
        QTest::newRow(state + " corner is cut by the 3.5 radius") << on << QPointF(0.2, 0.2) << "clear";
        QTest::newRow(state + " outline at left middle") << on << QPointF(0.1, 7.1) << "black";
        QTest::newRow(state + " outline at bottom middle") << on << QPointF(7.1, 13.9) << "black";
        QTest::newRow(state + " white between outline and mark") << on << QPointF(1.6, 7.1) << "white";
        // The 8.75 mark spans 2.625 to 11.375.
        QTest::newRow(state + " just inside the mark") << on << QPointF(2.9, 7.1) << (on ? "black" : "white");
        QTest::newRow(state + " centre") << on << QPointF(7.1, 7.1) << (on ? "black" : "white");
        QTest::newRow(state + " mark corner is rounded") << on << QPointF(2.7, 2.7) << "white";
        QTest::newRow(state + " just outside the mark") << on << QPointF(11.6, 7.1) << "white";
    }
}

void SharedPiecesTest::checkboxGeometry()
{
    QFETCH(bool, on);
    QFETCH(QPointF, point);
    QFETCH(QString, expected);
    QImage image = canvas({ 14, 14 }, 4);
    {
        QPainter painter(&image);
        Checkbox::paint(painter, { 0, 0 }, on, m_theme.palette());
    }
    const QColor c = at(image, point.x(), point.y());
    if (expected == "clear")
        QCOMPARE(c.alpha(), 0);
    else if (expected == "black")
        QVERIFY2(isBlack(c), qPrintable(c.name(QColor::HexArgb)));
    else
        QVERIFY2(isWhite(c), qPrintable(c.name(QColor::HexArgb)));
}

void SharedPiecesTest::checkboxRowTogglesAnywhere()
{
    Checkbox box(m_theme, QStringLiteral("Don't ask me again"), 13, 6);
    box.resize(box.sizeHint());
    QVERIFY(box.width() > 14 + 6 + 40);
    QVERIFY(!box.isChecked());
    // A tap on the label, well right of the box, toggles it too.
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(box.width() - 3, box.height() / 2));
    QVERIFY(box.isChecked());
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(7, box.height() / 2));
    QVERIFY(!box.isChecked());
}

void SharedPiecesTest::dialogButtonInvertsWhilePressed()
{
    ScrapwickDialogButton button(m_theme, QStringLiteral("Delete"));
    QCOMPARE(button.size(), QSize(77, 26));
    for (const bool pressed : { false, true }) {
        button.setDown(pressed);
        QImage image = canvas({ 77, 26 }, 2);
        button.render(&image, {}, {}, QWidget::DrawChildren);
        // Rounded corners (radius 6) leave the very corner clear.
        QCOMPARE(at(image, 0.25, 0.25).alpha(), 0);
        QCOMPARE(at(image, 76.75, 25.75).alpha(), 0);
        // A one-point outline along each edge, inside the box.
        QVERIFY(isBlack(at(image, 38, 0.25)));
        QVERIFY(isBlack(at(image, 38, 0.75)));
        QVERIFY(isBlack(at(image, 0.25, 13)));
        QVERIFY(isBlack(at(image, 76.75, 13)));
        // The face, away from the label: white, or black while pressed.
        const QColor face = at(image, 4, 13);
        QVERIFY2(pressed ? isBlack(face) : isWhite(face), qPrintable(face.name()));
        const QColor belowOutline = at(image, 38, 1.25);
        QVERIFY(pressed ? isBlack(belowOutline) : isWhite(belowOutline));
        // The label is drawn in the opposite colour of the face.
        const QRect label(int(20 * 2), int(6 * 2), int(37 * 2), int(14 * 2));
        QVERIFY(countPixels(image, label, pressed ? isWhite : isBlack) > 20);
    }
}

void SharedPiecesTest::menuRowInvertsOnHoverOnlyWhenEnabled()
{
    MenuItemRow row(m_theme, QStringLiteral("Download"));
    row.resize(162, 20);
    QCOMPARE(row.height(), 20);
    QSignalSpy clicked(&row, &QAbstractButton::clicked);

    const auto renderRow = [&] {
        QImage image = canvas({ 162, 20 }, 1);
        row.render(&image);
        return image;
    };
    const auto hover = [&](bool inside) {
        if (inside) {
            QEnterEvent enter(QPointF(80, 10), QPointF(80, 10), QPointF(80, 10));
            QCoreApplication::sendEvent(&row, &enter);
        } else {
            QEvent leave(QEvent::Leave);
            QCoreApplication::sendEvent(&row, &leave);
        }
    };

    QImage image = renderRow();
    QVERIFY(isWhite(image.pixelColor(150, 10)));
    // Label starts 12 points in: nothing inked left of it, ink right of it.
    QCOMPARE(countPixels(image, QRect(0, 0, 12, 20), isBlack), 0);
    QVERIFY(countPixels(image, QRect(12, 0, 60, 20), isBlack) > 20);

    hover(true);
    QVERIFY(row.isHovering());
    image = renderRow();
    QVERIFY(isBlack(image.pixelColor(150, 10)));
    QVERIFY(countPixels(image, QRect(12, 0, 60, 20), isWhite) > 20);
    hover(false);
    QVERIFY(!row.isHovering());

    row.setEnabled(false);
    hover(true);
    QVERIFY(!row.isHovering());
    image = renderRow();
    QVERIFY(isWhite(image.pixelColor(150, 10)));
    // Gray label, neither black nor white.
    const QRect label(12, 0, 60, 20);
    QCOMPARE(countPixels(image, label, isBlack), 0);
    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(80, 10));
    QCOMPARE(clicked.count(), 0);

    row.setEnabled(true);
    QTest::mouseClick(&row, Qt::LeftButton, {}, QPoint(80, 10));
    QCOMPARE(clicked.count(), 1);
}

void SharedPiecesTest::titleBarButtonZones_data()
{
    QTest::addColumn<bool>("moodBoard");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<int>("expected");
    const int none = int(WindowTitleBar::Button::none);
    const int minimize = int(WindowTitleBar::Button::minimize);
    const int close = int(WindowTitleBar::Button::close);
    // Gallery card 598.6 wide: minimise square 14..30 x 6..22, close centred at 574.6.
    QTest::newRow("gallery minimise centre") << false << 598.6 << QPointF(22, 14) << minimize;
    QTest::newRow("gallery minimise top-left") << false << 598.6 << QPointF(14.1, 6.1) << minimize;
    QTest::newRow("gallery left of minimise") << false << 598.6 << QPointF(13.9, 14) << none;
    QTest::newRow("gallery below minimise") << false << 598.6 << QPointF(22, 22.1) << none;
    QTest::newRow("gallery close centre") << false << 598.6 << QPointF(574.6, 14) << close;
    QTest::newRow("gallery close right edge") << false << 598.6 << QPointF(582.5, 14) << close;
    QTest::newRow("gallery right of close") << false << 598.6 << QPointF(582.7, 14) << none;
    QTest::newRow("gallery title") << false << 598.6 << QPointF(299.3, 13) << none;
    // Mood board card 759 wide: close centred at 736.
    QTest::newRow("mood board close left edge") << true << 759.0 << QPointF(728.1, 14) << close;
    QTest::newRow("mood board left of close") << true << 759.0 << QPointF(727.9, 14) << none;
    QTest::newRow("mood board close right edge") << true << 759.0 << QPointF(743.9, 14) << close;
}

void SharedPiecesTest::titleBarButtonZones()
{
    QFETCH(bool, moodBoard);
    QFETCH(qreal, width);
    QFETCH(QPointF, point);
    QFETCH(int, expected);
    const TitleBarStyle style = moodBoard ? TitleBarStyle::moodBoard() : TitleBarStyle::ideaGallery();
    QCOMPARE(int(WindowTitleBar::buttonAt(style, width, point)), expected);
}

void SharedPiecesTest::titleBarPixels()
{
    const qreal width = 600;
    QImage image = canvas({ width, 28 }, 1);
    {
        QPainter painter(&image);
        WindowTitleBar::paint(painter, m_theme, TitleBarStyle::ideaGallery(), width);
    }
    // Stripes run from x = 5 to width - 5 over y = 6..22, every other row.
    QVERIFY(isWhite(image.pixelColor(100, 2)));
    QVERIFY(isBlack(image.pixelColor(100, 7)));
    QVERIFY(isWhite(image.pixelColor(100, 8)));
    QVERIFY(isBlack(image.pixelColor(100, 9)));
    QVERIFY(isWhite(image.pixelColor(3, 7)));
    QVERIFY(isWhite(image.pixelColor(int(width) - 3, 7)));
    // The 149-point white box blanks the stripes around the title...
    QVERIFY(isWhite(image.pixelColor(int(width / 2 - 70), 7)));
    QVERIFY(isBlack(image.pixelColor(int(width / 2 - 78), 7)));
    // ...and holds the title's ink.
    QVERIFY(countPixels(image, QRect(int(width / 2 - 70), 2, 140, 24), isBlack) > 50);
    // Gray squares under the buttons: neither white nor black.
    const QColor square = image.pixelColor(15, 20);
    QVERIFY2(!isWhite(square) && !isBlack(square) && square.red() > 150, qPrintable(square.name()));
    QCOMPARE(square, image.pixelColor(int(width - 24 - 7), 20));
    // The buttons' glyphs: the minimise bar across the middle of its square.
    QVERIFY(isBlack(image.pixelColor(22, 13)));
}

void SharedPiecesTest::titleBarButtonsReportClicks()
{
    WindowTitleBar bar(m_theme, TitleBarStyle::moodBoard());
    bar.resize(759, 28);
    QSignalSpy minimized(&bar, &WindowTitleBar::minimizeClicked);
    QSignalSpy closed(&bar, &WindowTitleBar::closeClicked);
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(22, 14));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(736, 14));
    QTest::mouseClick(&bar, Qt::LeftButton, {}, QPoint(300, 14));
    QCOMPARE(minimized.count(), 1);
    QCOMPARE(closed.count(), 1);
    // Pressing on one button and releasing on the other does nothing.
    QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(22, 14));
    QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(736, 14));
    QCOMPARE(minimized.count(), 1);
    QCOMPARE(closed.count(), 1);
}

void SharedPiecesTest::confirmationFrameHasTwoOutlines()
{
    ConfirmationDialogFrame frame(m_theme);
    QCOMPARE(frame.size(), QSize(400, 126));
    QImage image = canvas({ 400, 126 }, 1);
    frame.render(&image);
    // Outer outline 1 point, a 3-point white gap, then the inner 2-point outline.
    const QList<std::pair<int, bool>> acrossLeft { { 0, true }, { 1, false }, { 3, false }, { 4, true }, { 5, true },
        { 6, false }, { 200, false } };
    for (const auto& [x, black] : acrossLeft) {
        QVERIFY2(black ? isBlack(image.pixelColor(x, 63)) : isWhite(image.pixelColor(x, 63)),
            qPrintable(QString::number(x)));
        QVERIFY2(black ? isBlack(image.pixelColor(399 - x, 63)) : isWhite(image.pixelColor(399 - x, 63)),
            qPrintable(QString::number(x)));
    }
    QVERIFY(isBlack(image.pixelColor(200, 0)));
    QVERIFY(isWhite(image.pixelColor(200, 2)));
    QVERIFY(isBlack(image.pixelColor(200, 4)));
    QVERIFY(isBlack(image.pixelColor(200, 5)));
    QVERIFY(isWhite(image.pixelColor(200, 6)));
    QVERIFY(isBlack(image.pixelColor(200, 125)));
    QVERIFY(isBlack(image.pixelColor(200, 120)));
    QVERIFY(isWhite(image.pixelColor(200, 119)));
    QCOMPARE(ConfirmationDialogFrame::innerRect(QRectF(0, 0, 400, 126)), QRectF(4, 4, 392, 118));
}

QTEST_MAIN(SharedPiecesTest)
#include "SharedPiecesTest.moc"
