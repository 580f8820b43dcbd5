#include "app/FloatingPanel.h"
#include "TestDoubles.h"
#include "app/FloatingPanelView.h"
#include "app/MinimizedCornerShape.h"
#include "platform/CommandNames.h"
#include "platform/NotificationCenter.h"
#include "ui/Theme.h"

#include <QMenu>
#include <QtTest>

namespace {

const QStringList commandNames { CommandNames::enterCropMode, CommandNames::exitCropMode,
    CommandNames::toggleIdeaGallery, CommandNames::toggleMoodBoard };

// Button centres in the view: the field starts at (4, 16); the crop, gallery and
// mood-board frames are centred at (21, 18), (49, 18) and (35, 46) in it.
constexpr QPoint cropCentre { 25, 34 };
constexpr QPoint galleryCentre { 53, 34 };
constexpr QPoint moodBoardCentre { 39, 62 };
constexpr QPoint minimizeImageCentre { 12, 8 };

bool isBlack(QColor c)
{
    return c.alpha() == 255 && c.red() == 0 && c.green() == 0 && c.blue() == 0;
}

bool isWhite(QColor c)
{
    return c.alpha() == 255 && c.red() == 255 && c.green() == 255 && c.blue() == 255;
}

} // namespace

class FloatingPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void hitAreasPostTheirCommands_data();
    void hitAreasPostTheirCommands();
    void cropButtonPostsByItsShownState();
    void cropButtonIsUnselectedAfterTheControllerCompletes();
    void statesFollowNotifications_data();
    void statesFollowNotifications();
    void minimisingKeepsTheTopEdge();
    void placementFromTheTopRightCorner_data();
    void placementFromTheTopRightCorner();
    void minimizedBarPath_data();
    void minimizedBarPath();
    void renderedPixels_data();
    void renderedPixels();
    void minimizedPixels();
    void dragOnTheBodyMovesTheWindow();
    void dragFromAButtonNeitherMovesNorTaps();
    void rightClickOpensTheMenuOnlyWithoutATray();

private:
    [[nodiscard]] QImage render(qreal ratio) const;

    Theme m_theme;
    std::unique_ptr<NotificationCenter> m_center;
    std::unique_ptr<FloatingPanelView> m_view;
    QList<bool> m_minimizeCalls;
};

void FloatingPanelTest::init()
{
    m_center = std::make_unique<NotificationCenter>();
    m_minimizeCalls.clear();
    m_view = std::make_unique<FloatingPanelView>(
        *m_center, m_theme, [this](bool minimized) { m_minimizeCalls.append(minimized); });
    m_view->resize(78, 87);
}

void FloatingPanelTest::cleanup()
{
    m_view.reset();
    m_center.reset();
}

QImage FloatingPanelTest::render(qreal ratio) const
{
    const QSize size = m_view->size();
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    m_view->render(&image, {}, {}, QWidget::DrawChildren);
    return image;
}

void FloatingPanelTest::hitAreasPostTheirCommands_data()
{
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QStringList>("posted");
    const QStringList nothing;
    QTest::newRow("crop centre") << cropCentre << QStringList { CommandNames::enterCropMode };
    // The frame includes the shadow: crop spans x 12.5..37.5, y 22.5..45.5.
    QTest::newRow("crop shadow corner") << QPoint(37, 45) << QStringList { CommandNames::enterCropMode };
    QTest::newRow("crop frame top-left") << QPoint(13, 23) << QStringList { CommandNames::enterCropMode };
    QTest::newRow("left of crop") << QPoint(11, 34) << nothing;
    QTest::newRow("between crop and gallery") << QPoint(39, 34) << nothing;
    QTest::newRow("gallery centre") << galleryCentre << QStringList { CommandNames::toggleIdeaGallery };
    QTest::newRow("gallery frame right edge") << QPoint(65, 34) << QStringList { CommandNames::toggleIdeaGallery };
    QTest::newRow("mood board centre") << moodBoardCentre << QStringList { CommandNames::toggleMoodBoard };
    // 54 x 22 frame centred at (39, 62): x 12..66, y 51..73.
    QTest::newRow("mood board shadow corner") << QPoint(65, 72) << QStringList { CommandNames::toggleMoodBoard };
    QTest::newRow("below mood board") << QPoint(39, 74) << nothing;
    QTest::newRow("field corner") << QPoint(6, 18) << nothing;
    QTest::newRow("title text") << QPoint(45, 8) << nothing;
}

void FloatingPanelTest::hitAreasPostTheirCommands()
{
    QFETCH(QPoint, point);
    QFETCH(QStringList, posted);
    NotificationRecorder recorder(*m_center, commandNames);
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, point);
    QCOMPARE(recorder.names, posted);
    QVERIFY(!m_view->isMinimized());
    QVERIFY(m_minimizeCalls.isEmpty());
}

void FloatingPanelTest::cropButtonPostsByItsShownState()
{
    NotificationRecorder recorder(*m_center, commandNames);
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, cropCentre);
    // The panel hears its own enterCropMode and shows the button active.
    QVERIFY(m_view->isCropActive());
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, cropCentre);
    QVERIFY(!m_view->isCropActive());
    // Crop mode ended elsewhere (the overlay's right click): the next tap starts it again.
    m_center->post(CommandNames::enterCropMode);
    m_center->post(CommandNames::cropDidComplete);
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, cropCentre);
    QCOMPARE(recorder.names,
        (QStringList { CommandNames::enterCropMode, CommandNames::exitCropMode, CommandNames::enterCropMode,
            CommandNames::enterCropMode }));
}

void FloatingPanelTest::cropButtonIsUnselectedAfterTheControllerCompletes()
{
    // A stand-in controller that ignores the panel's exitCropMode state change
    // and only answers with cropDidComplete, as the real one does.
    QObject controller;
    int completions = 0;
    m_center->addObserver(&controller, CommandNames::exitCropMode, [&](const QVariantMap&) {
        ++completions;
        m_center->post(CommandNames::cropDidComplete);
    });
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, cropCentre);
    QVERIFY(m_view->isCropActive());
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, cropCentre);
    QCOMPARE(completions, 1);
    QVERIFY(!m_view->isCropActive());
    QVERIFY(!isBlack(render(1).pixelColor(14, 24))); // the face is white again
}

void FloatingPanelTest::statesFollowNotifications_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariantMap>("userInfo");
    QTest::addColumn<bool>("crop");
    QTest::addColumn<bool>("gallery");
    QTest::addColumn<bool>("moodBoard");
    // Each row starts from crop active, gallery open and mood board closed.
    const QVariantMap open { { "isOpen", true } };
    const QVariantMap closed { { "isOpen", false } };
    QTest::newRow("exitCropMode") << CommandNames::exitCropMode << QVariantMap() << false << true << false;
    QTest::newRow("cropDidComplete") << CommandNames::cropDidComplete << QVariantMap() << false << true << false;
    QTest::newRow("enterCropMode again") << CommandNames::enterCropMode << QVariantMap() << true << true << false;
    QTest::newRow("gallery closed") << CommandNames::galleryVisibilityChanged << closed << true << false << false;
    QTest::newRow("gallery open again") << CommandNames::galleryVisibilityChanged << open << true << true << false;
    QTest::newRow("mood board open") << CommandNames::moodBoardVisibilityChanged << open << true << true << true;
    QTest::newRow("mood board without user info")
        << CommandNames::moodBoardVisibilityChanged << QVariantMap() << true << true << false;
    QTest::newRow("gallery without isOpen")
        << CommandNames::galleryVisibilityChanged << QVariantMap { { "open", false } } << true << true << false;
    QTest::newRow("gallery isOpen as text")
        << CommandNames::galleryVisibilityChanged << QVariantMap { { "isOpen", "false" } } << true << true << false;
    QTest::newRow("gallery isOpen as number")
        << CommandNames::galleryVisibilityChanged << QVariantMap { { "isOpen", 0 } } << true << true << false;
    QTest::newRow("mood board isOpen as number")
        << CommandNames::moodBoardVisibilityChanged << QVariantMap { { "isOpen", 1 } } << true << true << false;
    QTest::newRow("toggle commands change nothing")
        << CommandNames::toggleIdeaGallery << QVariantMap() << true << true << false;
}

void FloatingPanelTest::statesFollowNotifications()
{
    QFETCH(QString, name);
    QFETCH(QVariantMap, userInfo);
    QFETCH(bool, crop);
    QFETCH(bool, gallery);
    QFETCH(bool, moodBoard);
    m_center->post(CommandNames::enterCropMode);
    m_center->post(CommandNames::galleryVisibilityChanged, { { "isOpen", true } });
    m_center->post(name, userInfo);
    QCOMPARE(m_view->isCropActive(), crop);
    QCOMPARE(m_view->isGalleryOpen(), gallery);
    QCOMPARE(m_view->isMoodBoardOpen(), moodBoard);
    // The drawing follows: a selected face is black at its inner top-left.
    const QImage image = render(1);
    QCOMPARE(isBlack(image.pixelColor(14, 24)), crop);
    QCOMPARE(isBlack(image.pixelColor(42, 24)), gallery);
    QCOMPARE(isBlack(image.pixelColor(14, 53)), moodBoard);
}

void FloatingPanelTest::minimisingKeepsTheTopEdge()
{
    // The panel and its callback wired the way the application controller does.
    FloatingPanel panel;
    const QPointer<FloatingPanel> guard(&panel);
    QList<bool> calls;
    auto* view = new FloatingPanelView(*m_center, m_theme, [&calls, guard](bool minimized) {
        calls.append(minimized);
        if (guard)
            guard->setFrame(FloatingPanel::frameForMinimized(guard->geometry(), minimized));
    });
    panel.setContentView(view);
    panel.setFrame(QRect(300, 120, 78, 87));
    NotificationRecorder recorder(*m_center, commandNames);

    QTest::mouseClick(view, Qt::LeftButton, {}, minimizeImageCentre);
    QCOMPARE(panel.geometry(), QRect(300, 120, 78, 16));
    QCOMPARE(view->geometry(), QRect(0, 0, 78, 16));
    QVERIFY(view->isMinimized());
    // Anywhere on the bar restores it, even where a button used to be.
    QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(70, 12));
    QCOMPARE(panel.geometry(), QRect(300, 120, 78, 87));
    QVERIFY(!view->isMinimized());
    QCOMPARE(calls, (QList<bool> { true, false }));
    QVERIFY(recorder.names.isEmpty());

    QCOMPARE(FloatingPanel::frameForMinimized(QRect(5, 7, 78, 87), true), QRect(5, 7, 78, 16));
    QCOMPARE(FloatingPanel::frameForMinimized(QRect(5, 7, 78, 16), false), QRect(5, 7, 78, 87));
    QCOMPARE(panel.minimumSize(), QSize(78, 16));
    QCOMPARE(panel.maximumSize(), QSize(78, 87));
}

void FloatingPanelTest::placementFromTheTopRightCorner_data()
{
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("frame");
    QTest::newRow("full HD") << QRect(0, 0, 1920, 1080) << QRect(1822, 20, 78, 87);
    // A top panel of 30 and a left dock of 100 move the corner.
    QTest::newRow("with panels") << QRect(100, 30, 1280, 770) << QRect(1282, 50, 78, 87);
    QTest::newRow("second screen") << QRect(1920, 0, 1280, 1024) << QRect(3102, 20, 78, 87);
}

void FloatingPanelTest::placementFromTheTopRightCorner()
{
    QFETCH(QRect, available);
    QFETCH(QRect, frame);
    QCOMPARE(FloatingPanel::initialFrame(available), frame);
}

void FloatingPanelTest::minimizedBarPath_data()
{
    QTest::addColumn<QPointF>("point");
    QTest::addColumn<bool>("inside");
    // 78 x 16: top corners of radius 9 about (9, 9) and (69, 9), bottom
    // corners of radius 2 about (2, 14) and (76, 14).
    QTest::newRow("top-left corner cut") << QPointF(1, 1) << false;
    QTest::newRow("just outside the top-left arc") << QPointF(2, 3) << false; // 9.2 from (9, 9)
    QTest::newRow("just inside the top-left arc") << QPointF(2.5, 4) << true; // 8.2 from (9, 9)
    QTest::newRow("top edge") << QPointF(39, 0.2) << true;
    QTest::newRow("top-right corner cut") << QPointF(77, 1) << false;
    QTest::newRow("inside the top-right arc") << QPointF(75.5, 4) << true;
    QTest::newRow("left edge below the arc") << QPointF(0.2, 10) << true;
    QTest::newRow("bottom-left corner cut") << QPointF(0.2, 15.8) << false;
    QTest::newRow("inside the bottom-left arc") << QPointF(1, 15) << true;
    QTest::newRow("bottom-right corner cut") << QPointF(77.8, 15.8) << false;
    QTest::newRow("inside the bottom-right arc") << QPointF(77, 15) << true;
    QTest::newRow("below the bar") << QPointF(39, 16.5) << false;
}

void FloatingPanelTest::minimizedBarPath()
{
    QFETCH(QPointF, point);
    QFETCH(bool, inside);
    const QPainterPath path = MinimizedCornerShape::path(QRectF(0, 0, 78, 16));
    QCOMPARE(path.contains(point), inside);
    QCOMPARE(path.boundingRect(), QRectF(0, 0, 78, 16));
}

void FloatingPanelTest::renderedPixels_data()
{
    QTest::addColumn<qreal>("ratio");
    QTest::newRow("1x") << 1.0;
    QTest::newRow("2x") << 2.0;
}

void FloatingPanelTest::renderedPixels()
{
    QFETCH(qreal, ratio);
    m_center->post(CommandNames::galleryVisibilityChanged, { { "isOpen", true } });
    const QImage image = render(ratio);
    QCOMPARE(image.size(), QSize(78, 87) * ratio);
    // The colour at a point in points (the centre of the device pixel there).
    const auto at = [&](qreal x, qreal y) { return image.pixelColor(int(x * ratio), int(y * ratio)); };

    // Black base with corners of radius 8.
    QVERIFY(isBlack(at(1, 40)));
    QVERIFY(isBlack(at(74, 84)));
    QCOMPARE(at(0.2, 0.2).alpha(), 0);
    QCOMPARE(at(77.8, 86.8).alpha(), 0);
    QCOMPARE(at(76.5, 84.5).alpha(), 0); // 8.4 from the corner's centre (70, 79)
    // The white field, with the checkerboard's dots: the tile repeats every 4
    // points across and 2 down from the field's corner at (4, 16).
    QVERIFY(isWhite(at(7.2, 47.2)));
    QVERIFY(isBlack(at(6.2, 47.2)));
    QVERIFY(isWhite(at(5.2, 47.2)));
    // Between field and body: 4 points of black at the sides, 5 at the bottom.
    QVERIFY(isBlack(at(3.5, 50)));
    QVERIFY(isBlack(at(40, 82.5)));
    // Crop: unselected, white face inside a one-point outline (12..35 x 22..43).
    QVERIFY(isBlack(at(12.2, 30)));
    QVERIFY(isWhite(at(14, 24)));
    // Its hard shadow: the outlined face moved 3 points right and down.
    QVERIFY(isBlack(at(37.5, 30)));
    QVERIFY(isBlack(at(36, 45.5)));
    QVERIFY(isWhite(at(38.2, 30)));
    QVERIFY(isWhite(at(13.2, 44.2)));
    // Gallery: selected, its face black and its heart white.
    QVERIFY(isBlack(at(42, 24)));
    QVERIFY(isWhite(at(44.2, 29.2)));
    // Mood board: unselected, its label drawn in near-black.
    int labelInk = 0;
    for (int y = int(55 * ratio); y < int(66 * ratio); ++y)
        for (int x = int(16 * ratio); x < int(60 * ratio); ++x)
            labelInk += image.pixelColor(x, y) == QColor(2, 2, 2) ? 1 : 0;
    QVERIFY(labelInk > 20);
    // Title row: white text and the white minimise image (8 x 8 around (12, 8)).
    QVERIFY(isWhite(at(8.2, 4.2)));
    QVERIFY(isBlack(at(10.2, 6.2)));
    int titleInk = 0;
    for (int y = 0; y < int(16 * ratio); ++y)
        for (int x = int(20 * ratio); x < int(78 * ratio); ++x)
            titleInk += isWhite(image.pixelColor(x, y)) ? 1 : 0;
    QVERIFY(titleInk > 20);
}

void FloatingPanelTest::minimizedPixels()
{
    QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre);
    m_view->resize(78, 16);
    const QImage image = render(1);
    QVERIFY(isBlack(image.pixelColor(4, 10)));
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(77, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(0, 15).alpha(), 0);
    QVERIFY(isBlack(image.pixelColor(1, 14)));
    int titleInk = 0;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 78; ++x)
            titleInk += isWhite(image.pixelColor(x, y)) ? 1 : 0;
    QVERIFY(titleInk > 20);
}

void FloatingPanelTest::dragOnTheBodyMovesTheWindow()
{
    NotificationRecorder recorder(*m_center, commandNames);
    m_view->move(200, 200);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    const QPoint before = m_view->pos();
    // From the title row, over the minimise image, 20 points right and down.
    QTest::mousePress(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre);
    QTest::mouseMove(m_view.get(), minimizeImageCentre + QPoint(20, 20));
    QTest::mouseRelease(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre + QPoint(20, 20));
    QCOMPARE(m_view->pos(), before + QPoint(20, 20));
    // A drag is not a tap: the panel stays expanded.
    QVERIFY(!m_view->isMinimized());
    QVERIFY(recorder.names.isEmpty());
}

void FloatingPanelTest::dragFromAButtonNeitherMovesNorTaps()
{
    NotificationRecorder recorder(*m_center, commandNames);
    m_view->move(200, 200);
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
    const QPoint before = m_view->pos();
    QTest::mousePress(m_view.get(), Qt::LeftButton, {}, galleryCentre);
    QTest::mouseMove(m_view.get(), galleryCentre + QPoint(0, 30));
    QTest::mouseRelease(m_view.get(), Qt::LeftButton, {}, galleryCentre + QPoint(0, 30));
    QCOMPARE(m_view->pos(), before);
    QVERIFY(recorder.names.isEmpty());
}

void FloatingPanelTest::rightClickOpensTheMenuOnlyWithoutATray()
{
    QMenu menu;
    menu.addAction(QStringLiteral("Quit Scrapwick"));
    bool trayAvailable = true;
    m_view->setStatusMenu(&menu, [&] { return trayAvailable; });
    m_view->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));

    QTest::mouseClick(m_view.get(), Qt::RightButton, {}, QPoint(40, 8));
    QVERIFY(!menu.isVisible());
    trayAvailable = false;
    QTest::mouseClick(m_view.get(), Qt::RightButton, {}, QPoint(40, 8));
    QTRY_VERIFY(menu.isVisible());
    menu.hide();
}

QTEST_MAIN(FloatingPanelTest)
#include "FloatingPanelTest.moc"
