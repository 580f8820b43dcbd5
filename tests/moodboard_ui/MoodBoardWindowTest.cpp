// The Mood Board window's input arithmetic, worked out by hand, and its
// controller on the offscreen platform. The window opens at 838 x 489.
#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "moodboard_ui/MoodBoardWindowController.h"
#include "moodboard_ui/MoodBoardWindowGeometry.h"
#include "platform/CommandNames.h"
#include "support/TestFiles.h"
#include "ui/Theme.h"

#include <QtTest>

using namespace MoodBoardWindowGeometry;

class MoodBoardWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void shortcutsMapToCommands()
    {
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, shift = Qt::ShiftModifier;
        const struct {
            int key;
            Qt::KeyboardModifiers modifiers;
            const char* command; // null: not the board's
        } cases[] = {
            { Qt::Key_Z, ctrl, "undo" },
            { Qt::Key_Z, ctrl | shift, "redo" },
            { Qt::Key_Y, ctrl, "redo" },
            { Qt::Key_Y, ctrl | shift, "redo" },
            { Qt::Key_D, ctrl, "duplicate" },
            { Qt::Key_D, ctrl | shift, "duplicate" },
            { Qt::Key_Backspace, {}, "delete" },
            { Qt::Key_Delete, {}, "delete" },
            { Qt::Key_Backspace, ctrl, "delete" },
            { Qt::Key_Delete, ctrl | shift, "delete" },
            { Qt::Key_Z, {}, nullptr },
            { Qt::Key_D, shift, nullptr },
            { Qt::Key_A, ctrl, nullptr },
            { Qt::Key_Y, Qt::AltModifier, nullptr },
        };
        for (const auto& c : cases) {
            const std::optional<QString> command = keyCommand(c.key, c.modifiers);
            QCOMPARE(command.value_or(QString()), QString::fromLatin1(c.command));
        }
    }

    void wheelGoesToTheLayerListOrZoomsWithinLimits()
    {
        using T = WheelTarget;
        const struct {
            QPointF point;
            qreal height;
            WheelTarget target;
        } regions[] = {
            // Bottom-left origin: y up = height - y.
            { { 42, 270 }, 489, T::layerList }, // x 42, 219 up
            { { 127, 140 }, 489, T::layerList }, // x 127, 349 up
            { { 80, 700 }, 1000, T::layerList }, // 300 up in a taller window
            { { 41.9, 200 }, 489, T::none },
            { { 127.1, 200 }, 489, T::none },
            { { 80, 271 }, 489, T::none }, // 218 up
            { { 80, 139 }, 489, T::none }, // 350 up
            { { 172, 428 }, 489, T::canvas }, // x 172, 61 up
            { { 171.9, 100 }, 489, T::none },
            { { 500, 429 }, 489, T::none }, // 60 up: the bottom strip
            { { 800, 5 }, 489, T::canvas },
        };
        for (const auto& r : regions)
            QVERIFY2(wheelTarget(r.point, r.height) == r.target, qPrintable(QString::number(r.point.x())));

        QCOMPARE(wheelSteps({ 0, 120 }), 1.0);
        QCOMPARE(wheelSteps({ 30, -240 }), -2.0);
        QCOMPARE(wheelSteps({ 0, 60 }), 0.5);
        const double zooms[][3] = { { 1.0, 1, 1.1 }, { 1.0, -1, 0.9 }, { 1.0, 3, 1.3 }, { 1.9, 1, 2.0 },
            { 0.55, -1, 0.5 }, { 0.5, -20, 0.5 }, { 2.0, 0, 2.0 }, { 1.5, 0.5, 1.575 } };
        for (const auto& z : zooms)
            QCOMPARE(zoomedScale(z[0], z[1]), z[2]);
    }

    void windowSizeIsClampedAndTheCloseZoneSitsAtItsRight()
    {
        QCOMPARE(window.clampedSize({ 5000, 100 }), QSizeF(2622, 488.4));
        QCOMPARE(window.clampedSize({ 100, 5000 }), QSizeF(837.1, 2511));
        QCOMPARE(window.clampedSize({ 900, 600 }), QSizeF(900, 600));
        // (1920 - 837.1) / 2 = 541.45 -> 541; (1080 - 488.4) / 2 = 295.8 -> 296.
        QCOMPARE(window.openingFrame(QRect(0, 0, 1920, 1080)), QRect(541, 296, 838, 489));
        // Close button x 806 to 822 in an 838-wide window; the title bar moves it elsewhere.
        const QSizeF size(838, 489);
        QVERIFY(window.isInTitleBarButton({ 806, 6 }, size) && window.isInTitleBarButton({ 822, 22 }, size));
        QVERIFY(!window.startsWindowMove({ 814, 14 }, size) && window.startsWindowMove({ 805, 14 }, size));
        QVERIFY(window.startsWindowMove({ 814, 23 }, size) && !window.startsWindowMove({ 400, 28 }, size));
    }

    void controllerDrivesTheStoreAnnouncesClosingAndMendsActivation()
    {
        TestPlatformWith<ScriptedFilePanels> platform;
        GalleryStore gallery { QString() };
        CanvasStore canvas { gallery, QString() };
        Theme theme;
        MoodBoardWindowController controller(gallery, canvas, platform.services(), theme);
        QVERIFY(controller.window() == nullptr);
        for (int i = 0; i < 2; ++i) {
            canvas.pushUndoSnapshot();
            QVERIFY(!canvas.addLayer(QUuid::createUuid(), solidPng(20, 20), { 100, 100 }, false));
        }
        const QUuid first = canvas.layers().first().id;

        controller.show();
        QWidget* window = controller.window();
        QVERIFY(QTest::qWaitForWindowActive(window));
        QCOMPARE(window->size(), QSize(838, 489));
        // Each key, then the number of layers it leaves.
        const auto key = [&](int key, Qt::KeyboardModifiers modifiers) {
            QTest::keyClick(window->windowHandle(), Qt::Key(key), modifiers);
            return canvas.layers().size();
        };
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        QCOMPARE(key(Qt::Key_Z, ctrl), 1);
        QCOMPARE(key(Qt::Key_Z, ctrl | Qt::ShiftModifier), 2);
        QCOMPARE(key(Qt::Key_Z, ctrl), 1);
        QCOMPARE(key(Qt::Key_Y, ctrl), 2);
        canvas.setSelectedLayerId(first);
        QCOMPARE(key(Qt::Key_D, ctrl), 3);
        canvas.setSelectedLayerId(first);
        QCOMPARE(key(Qt::Key_Backspace, ctrl), 2);
        QVERIFY(std::none_of(
            canvas.layers().cbegin(), canvas.layers().cend(), [&](const Layer& l) { return l.id == first; }));
        canvas.setSelectedLayerId(std::nullopt);
        QCOMPARE(key(Qt::Key_Delete, {}), 2);

        // The wheel, only while the board is active: the layer list at 300 up, then the canvas.
        QList<double> layerScrolls;
        controller.viewState().onLayerScroll = [&](double steps) { layerScrolls.append(steps); };
        const auto wheel = [&](QPoint inWindow, int angle) {
            const QPoint global = window->mapToGlobal(inWindow);
            QWheelEvent event(inWindow, global, {}, { 0, angle }, Qt::NoButton, {}, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(window->windowHandle(), &event);
        };
        wheel({ 80, 189 }, -240);
        wheel({ 400, 200 }, 120);
        QCOMPARE(layerScrolls, QList<double> { -2.0 });
        QCOMPARE(controller.viewState().canvasScale(), 1.1);

        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        wheel({ 400, 200 }, 120);
        QCOMPARE(controller.viewState().canvasScale(), 1.1);
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QTRY_VERIFY(window->isActiveWindow());

        QList<QVariantMap> announced;
        QObject token;
        platform.notifications.addObserver(
            &token, CommandNames::moodBoardVisibilityChanged, [&](const QVariantMap& info) { announced.append(info); });
        window->close();
        const QVariantMap closed { { CommandNames::isOpenKey, false } };
        QCOMPARE(announced, QList<QVariantMap> { closed });
        // A closed board stays closed when the application is switched to.
        other.activateWindow();
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QTest::qWait(50);
        QVERIFY(!window->isVisible());
        platform.notifications.removeObserver(&token);

        // Re-opened after a resize: back at the opening size, the zoom kept.
        window->resize(1200, 700);
        controller.show();
        QCOMPARE(window->size(), QSize(838, 489));
        QCOMPARE(controller.viewState().canvasScale(), 1.1);
    }
};

QTEST_MAIN(MoodBoardWindowTest)
#include "MoodBoardWindowTest.moc"
