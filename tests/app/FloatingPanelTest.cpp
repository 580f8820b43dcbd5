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

} // namespace

// The gallery and mood-board buttons, the panel's place and its minimised bar
// are checked on screen end to end; here the edges of what a tap hits.
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

    // The frame includes the shadow: crop spans x 12.5..37.5, y 22.5..45.5. (The
    // buttons' centres and the minimise image: GalleryE2ETest.)
    void tapsPostTheirCommandsAtTheButtonsEdges()
    {
        const std::pair<QPoint, QStringList> taps[] = { { { 37, 45 }, { CommandNames::enterCropMode } },
            { { 11, 34 }, {} }, { { 39, 74 }, {} }, { { 45, 8 }, {} } };
        for (const auto& [point, posted] : taps) {
            NotificationRecorder recorder(*m_center, commandNames);
            QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, point);
            QCOMPARE(recorder.names, posted);
            QVERIFY(!m_view->isMinimized());
        }
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

private:
    Theme m_theme;
    std::unique_ptr<NotificationCenter> m_center;
    std::unique_ptr<FloatingPanelView> m_view;
};

QTEST_MAIN(FloatingPanelTest)
#include "FloatingPanelTest.moc"
