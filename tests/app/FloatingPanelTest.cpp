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
    void init()
    {
        m_center = std::make_unique<NotificationCenter>();
        m_view = std::make_unique<FloatingPanelView>(*m_center, m_theme, [](bool) {});
        m_view->resize(78, 87);
    }

    void cleanup() { m_view.reset(); }

    void hitAreasPostTheirCommands_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QStringList>("posted");
        QTest::newRow("crop centre") << cropCentre << QStringList { CommandNames::enterCropMode };
        // The frame includes the shadow: crop spans x 12.5..37.5, y 22.5..45.5.
        QTest::newRow("crop shadow corner") << QPoint(37, 45) << QStringList { CommandNames::enterCropMode };
        QTest::newRow("left of crop") << QPoint(11, 34) << QStringList {};
        QTest::newRow("gallery centre") << galleryCentre << QStringList { CommandNames::toggleIdeaGallery };
        QTest::newRow("mood board centre") << moodBoardCentre << QStringList { CommandNames::toggleMoodBoard };
        QTest::newRow("below mood board") << QPoint(39, 74) << QStringList {};
        QTest::newRow("title text") << QPoint(45, 8) << QStringList {};
    }

    void hitAreasPostTheirCommands()
    {
        QFETCH(QPoint, point);
        NotificationRecorder recorder(*m_center, commandNames);
        QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, point);
        QTEST(recorder.names, "posted");
        QVERIFY(!m_view->isMinimized());
    }

    void cropButtonPostsByItsShownState()
    {
        // A stand-in controller: it answers exitCropMode with cropDidComplete.
        QObject controller;
        m_center->addObserver(&controller, CommandNames::exitCropMode,
            [this](const QVariantMap&) { m_center->post(CommandNames::cropDidComplete); });
        NotificationRecorder recorder(*m_center, commandNames);
        // The panel hears its own enterCropMode and shows the button active.
        QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, cropCentre);
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

    void statesFollowNotifications_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QVariantMap>("userInfo");
        QTest::addColumn<bool>("crop");
        QTest::addColumn<bool>("gallery");
        QTest::addColumn<bool>("moodBoard");
        // Each row starts from crop active, gallery open and mood board closed.
        const QString gallery = CommandNames::galleryVisibilityChanged;
        const QString moodBoard = CommandNames::moodBoardVisibilityChanged;
        QTest::newRow("exitCropMode") << CommandNames::exitCropMode << QVariantMap() << false << true << false;
        QTest::newRow("cropDidComplete") << CommandNames::cropDidComplete << QVariantMap() << false << true << false;
        QTest::newRow("gallery closed") << gallery << QVariantMap { { "isOpen", false } } << true << false << false;
        QTest::newRow("mood board open") << moodBoard << QVariantMap { { "isOpen", true } } << true << true << true;
        QTest::newRow("no user info") << moodBoard << QVariantMap() << true << true << false;
        QTest::newRow("isOpen a number") << moodBoard << QVariantMap { { "isOpen", 1 } } << true << true << false;
    }

    void statesFollowNotifications()
    {
        QFETCH(QString, name);
        QFETCH(QVariantMap, userInfo);
        m_center->post(CommandNames::enterCropMode);
        m_center->post(CommandNames::galleryVisibilityChanged, { { "isOpen", true } });
        m_center->post(name, userInfo);
        QTEST(m_view->isCropActive(), "crop");
        QTEST(m_view->isGalleryOpen(), "gallery");
        QTEST(m_view->isMoodBoardOpen(), "moodBoard");
    }

    void minimisingKeepsTheTopEdge()
    {
        // The panel and its callback wired the way the application controller does.
        FloatingPanel panel;
        const QPointer<FloatingPanel> guard(&panel);
        auto* view = new FloatingPanelView(*m_center, m_theme, [guard](bool minimized) {
            if (guard)
                guard->setFrame(FloatingPanel::frameForMinimized(guard->geometry(), minimized));
        });
        panel.setContentView(view);
        panel.setFrame(QRect(300, 120, 78, 87));
        NotificationRecorder recorder(*m_center, commandNames);
        QTest::mouseClick(view, Qt::LeftButton, {}, minimizeImageCentre);
        QCOMPARE(panel.geometry(), QRect(300, 120, 78, 16));
        QCOMPARE(view->geometry(), QRect(0, 0, 78, 16));
        // Anywhere on the bar restores it, even where a button used to be.
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(70, 12));
        QCOMPARE(panel.geometry(), QRect(300, 120, 78, 87));
        QVERIFY(recorder.names.isEmpty());
        QCOMPARE(FloatingPanel::initialFrame(QRect(0, 0, 1920, 1080)), QRect(1822, 20, 78, 87));
        // A top panel of 30 and a left dock of 100 on a second screen move the corner.
        QCOMPARE(FloatingPanel::initialFrame(QRect(2020, 30, 1280, 770)), QRect(3202, 50, 78, 87));
    }

    void minimizedBarPath()
    {
        // 78 x 16: top corners of radius 9 about (9, 9) and (69, 9), bottom
        // corners of radius 2 about (2, 14) and (76, 14).
        const QPainterPath path = MinimizedCornerShape::path(QRectF(0, 0, 78, 16));
        QCOMPARE(path.boundingRect(), QRectF(0, 0, 78, 16));
        const QList<std::pair<QPointF, bool>> points { { { 2, 3 }, false }, // 9.2 from (9, 9)
            { { 2.5, 4 }, true }, // 8.2 from (9, 9)
            { { 77, 1 }, false }, { { 75.5, 4 }, true }, { { 0.2, 10 }, true }, { { 0.2, 15.8 }, false },
            { { 1, 15 }, true }, { { 77.8, 15.8 }, false }, { { 77, 15 }, true } };
        for (const auto& [p, inside] : points)
            QVERIFY2(path.contains(p) == inside, qPrintable(QStringLiteral("%1, %2").arg(p.x()).arg(p.y())));
    }

    void renderedPixels()
    {
        m_center->post(CommandNames::galleryVisibilityChanged, { { "isOpen", true } });
        for (const qreal ratio : { 1.0, 2.0 }) {
            QImage image(QSize(78, 87) * ratio, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(ratio);
            image.fill(Qt::transparent);
            m_view->render(&image, {}, {}, QWidget::DrawChildren);
            // The colour at a point in points (the centre of the device pixel there).
            const auto at = [&](qreal x, qreal y) { return image.pixelColor(int(x * ratio), int(y * ratio)); };

            // Black base with corners of radius 8: 8.4 from the corner's centre (70, 79) is clear.
            QVERIFY(isBlack(at(1, 40)));
            QCOMPARE(at(76.5, 84.5).alpha(), 0);
            // The white field, with the checkerboard's dots every 4 points across.
            QVERIFY(isWhite(at(7.2, 47.2)));
            QVERIFY(isBlack(at(6.2, 47.2)));
            // Crop: unselected, white face inside a one-point outline (12..35 x 22..43),
            // and its hard shadow, the outlined face moved 3 points right and down.
            QVERIFY(isBlack(at(12.2, 30)));
            QVERIFY(isWhite(at(14, 24)));
            QVERIFY(isBlack(at(37.5, 30)));
            QVERIFY(isWhite(at(38.2, 30)));
            QVERIFY(isWhite(at(13.2, 44.2)));
            // Gallery: selected, its face black and its heart white.
            QVERIFY(isBlack(at(42, 24)));
            QVERIFY(isWhite(at(44.2, 29.2)));
        }
    }

    void dragMovesAndRightClickOpensTheMenuOnlyWithoutATray()
    {
        QMenu menu;
        menu.addAction(QStringLiteral("Quit Scrapwick"));
        bool trayAvailable = true;
        m_view->setStatusMenu(&menu, [&] { return trayAvailable; });
        NotificationRecorder recorder(*m_center, commandNames);
        m_view->move(200, 200);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        const QPoint before = m_view->pos();

        // From the title row, over the minimise image, 20 points right and down:
        // a drag, not a tap, so the panel stays expanded.
        QTest::mousePress(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre);
        QTest::mouseMove(m_view.get(), minimizeImageCentre + QPoint(20, 20));
        QTest::mouseRelease(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre + QPoint(20, 20));
        QCOMPARE(m_view->pos(), before + QPoint(20, 20));
        QVERIFY(!m_view->isMinimized());
        QVERIFY(recorder.names.isEmpty());

        QTest::mouseClick(m_view.get(), Qt::RightButton, {}, QPoint(40, 8));
        QVERIFY(!menu.isVisible());
        trayAvailable = false;
        QTest::mouseClick(m_view.get(), Qt::RightButton, {}, QPoint(40, 8));
        QTRY_VERIFY(menu.isVisible());
        menu.hide();
    }

private:
    Theme m_theme;
    std::unique_ptr<NotificationCenter> m_center;
    std::unique_ptr<FloatingPanelView> m_view;
};

QTEST_MAIN(FloatingPanelTest)
#include "FloatingPanelTest.moc"
