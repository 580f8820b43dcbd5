#include "app/FloatingPanel.h"
#include "TestDoubles.h"
#include "app/FloatingPanelView.h"
#include "platform/CommandNames.h"
#include "ui/Theme.h"

#include <QtTest>

namespace {

const QStringList commandNames { CommandNames::enterCropMode, CommandNames::exitCropMode,
    CommandNames::toggleIdeaGallery, CommandNames::toggleMoodBoard };

// In the view: the field starts at (4, 16) and the crop frame is centred at (21, 18) in it.
constexpr QPoint cropCentre { 25, 34 };
constexpr QPoint minimizeImageCentre { 12, 8 };

} // namespace

// The gallery and mood-board buttons, the panel's place and its minimised bar
// are checked on screen end to end; here the edges of what a tap hits.
class FloatingPanelTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        m_center = std::make_unique<NotificationCenter>();
        m_minimizedCalls.clear();
        m_view = std::make_unique<FloatingPanelView>(
            *m_center, m_theme, [this](bool minimized) { m_minimizedCalls.append(minimized); });
        m_view->resize(78, 87);
    }

    void cleanup() { m_view.reset(); }

    void tapsPostTheirCommandsOrMinimize_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<QStringList>("posted");
        QTest::addColumn<bool>("minimizes");
        // The frame includes the shadow: crop spans x 12.5..37.5, y 22.5..45.5.
        QTest::newRow("crop shadow corner") << QPoint(37, 45) << QStringList { CommandNames::enterCropMode } << false;
        QTest::newRow("left of crop") << QPoint(11, 34) << QStringList {} << false;
        QTest::newRow("below mood board") << QPoint(39, 74) << QStringList {} << false;
        QTest::newRow("title text") << QPoint(45, 8) << QStringList {} << false;
        QTest::newRow("minimise image") << minimizeImageCentre << QStringList {} << true;
    }

    void tapsPostTheirCommandsOrMinimize()
    {
        QFETCH(QPoint, point);
        QFETCH(bool, minimizes);
        NotificationRecorder recorder(*m_center, commandNames);
        QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, point);
        QTEST(recorder.names, "posted");
        QCOMPARE(m_view->isMinimized(), minimizes);
        QCOMPARE(m_minimizedCalls, minimizes ? QList<bool> { true } : QList<bool> {});
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
        // Crop mode ended elsewhere, then tapped again: CaptureE2ETest.
        QCOMPARE(recorder.names, (QStringList { CommandNames::enterCropMode, CommandNames::exitCropMode }));
    }

    void initialFrameIsTwentyPointsInFromTheTopRightOfAnyScreen()
    {
        QCOMPARE(FloatingPanel::initialFrame(QRect(2020, 30, 1280, 770)), QRect(3202, 50, 78, 87));
    }

    // The panel stays on its screen while any screen holds its centre; when
    // none does, it goes back to its first place on the primary screen.
    void thePanelComesBackToThePrimaryScreenOnlyWhenNoScreenShowsIt()
    {
        const QRect primary(0, 0, 1920, 1080), second(1920, 0, 1280, 1024);
        const QRect primaryAvailable(0, 30, 1920, 1050); // 1822 = 1920 − 78 − 20, 50 = 30 + 20
        const struct {
            const char* name;
            QRect frame;
            QList<QRect> screens;
            std::optional<QRect> expected;
        } cases[] = {
            { "on the second screen", QRect(2500, 40, 78, 87), { primary, second }, std::nullopt },
            { "its screen gone", QRect(2500, 40, 78, 87), { primary }, QRect(1822, 50, 78, 87) },
            { "minimised, its screen gone", QRect(2500, 40, 78, 16), { primary }, QRect(1822, 50, 78, 16) },
            { "over the edge, centre on the screen", QRect(1870, 40, 78, 87), { primary }, std::nullopt },
            { "centre past the edge", QRect(1890, 40, 78, 87), { primary }, QRect(1822, 50, 78, 87) },
            { "the other screen gone", QRect(2500, 40, 78, 87), { second }, std::nullopt },
        };
        for (const auto& c : cases)
            QVERIFY2(FloatingPanel::rescuedFrame(c.frame, c.screens, primaryAvailable) == c.expected, c.name);
    }

    void aDragFromTheMinimiseImageMovesThePanelAndPostsNothing()
    {
        NotificationRecorder recorder(*m_center, commandNames);
        m_view->move(200, 200);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        const QPoint before = m_view->pos();
        // 20 points right and down: a drag, not a tap, so the panel stays expanded.
        QTest::mousePress(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre);
        QTest::mouseMove(m_view.get(), minimizeImageCentre + QPoint(20, 20));
        QTest::mouseRelease(m_view.get(), Qt::LeftButton, {}, minimizeImageCentre + QPoint(20, 20));
        QCOMPARE(m_view->pos(), before + QPoint(20, 20));
        QVERIFY(!m_view->isMinimized() && recorder.names.isEmpty());
    }

private:
    Theme m_theme;
    std::unique_ptr<NotificationCenter> m_center;
    std::unique_ptr<FloatingPanelView> m_view;
    QList<bool> m_minimizedCalls;
};

QTEST_MAIN(FloatingPanelTest)
#include "FloatingPanelTest.moc"
