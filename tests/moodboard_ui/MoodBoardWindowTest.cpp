// The Mood Board window's input arithmetic, worked out by hand, and its
// controller on the offscreen platform. The window opens at 838 x 489 (its
// place on the screen, the keys and the paste are checked end to end).
#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryImporter.h"
#include "gallery/GalleryStore.h"
#include "moodboard_ui/MoodBoardWindowController.h"
#include "moodboard_ui/MoodBoardWindowGeometry.h"
#include "ui/Theme.h"

#include <QtTest>

using namespace MoodBoardWindowGeometry;

class MoodBoardWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shortcutsMapToCommands()
    {
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier, none;
        const std::tuple<int, Qt::KeyboardModifiers, QString> cases[]
            = { { Qt::Key_Z, ctrl, "undo" }, { Qt::Key_Z, ctrl | shift, "redo" }, { Qt::Key_Y, ctrl, "redo" },
                  { Qt::Key_D, ctrl | shift, "duplicate" }, { Qt::Key_V, ctrl, "paste" }, { Qt::Key_V, none, "" },
                  { Qt::Key_Backspace, none, "delete" }, { Qt::Key_Delete, ctrl, "delete" }, { Qt::Key_Z, none, "" },
                  { Qt::Key_D, shift, "" }, { Qt::Key_A, ctrl, "" }, { Qt::Key_Y, Qt::AltModifier, "" } };
        for (const auto& [key, modifiers, command] : cases)
            QCOMPARE(keyCommand(key, modifiers).value_or(QString()), command);
    }

    void wheelGoesToTheLayerListOrZoomsWithinLimits()
    {
        using T = WheelTarget;
        // Points from the top-left of a window 489 high; the regions count y up from its bottom.
        const std::pair<QPointF, T> regions[] = { { { 42, 270 }, T::layerList }, { { 127, 140 }, T::layerList },
            { { 41.9, 200 }, T::none }, { { 80, 271 }, T::none }, { { 80, 139 }, T::none }, { { 172, 428 }, T::canvas },
            { { 171.9, 100 }, T::none }, { { 500, 429 }, T::none } };
        for (const auto& [point, target] : regions)
            QVERIFY2(wheelTarget(point, 489) == target, qPrintable(QString("%1,%2").arg(point.x()).arg(point.y())));
        QCOMPARE(wheelTarget({ 80, 700 }, 1000), T::layerList);

        const double zooms[][3] = { { 1.0, 1, 1.1 }, { 1.0, -1, 0.9 }, { 1.5, 0.5, 1.575 }, { 1.9, 1, 2.0 },
            { 0.55, -1, 0.5 }, { 0.5, -20, 0.5 } };
        for (const auto& [scale, steps, zoomed] : zooms)
            QCOMPARE(zoomedScale(scale, steps), zoomed);
    }

    void windowSizeIsClampedAndTheTitleBarMovesIt()
    {
        QCOMPARE(window.clampedSize({ 5000, 100 }), QSizeF(2622, 488.4));
        QCOMPARE(window.clampedSize({ 100, 5000 }), QSizeF(837.1, 2511));
        // The close button spans x 806 to 822; left of it the title bar moves the window.
        QVERIFY(
            !window.startsWindowMove({ 806, 22 }, { 838, 489 }) && window.startsWindowMove({ 805, 14 }, { 838, 489 }));
    }

    // An open board comes forward when the application is switched to; a closed one stays closed.
    void controllerMendsActivation()
    {
        TestPlatformWith<ScriptedFilePanels> platform;
        GalleryStore gallery { QString() };
        CanvasStore canvas { gallery, QString() };
        Theme theme;
        GalleryImporter importer(gallery);
        MoodBoardWindowController controller(gallery, canvas, importer, platform.services(), theme);
        controller.show();
        QWidget* window = controller.window();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QTRY_VERIFY(window->isActiveWindow());
        window->close();
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(MoodBoardWindowTest)
#include "MoodBoardWindowTest.moc"
