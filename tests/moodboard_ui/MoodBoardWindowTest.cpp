// The Mood Board window's input arithmetic, worked out by hand, and its
// controller on the offscreen platform. The window opens at 838 x 489.
#include "TestDoubles.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryImporter.h"
#include "gallery/GalleryStore.h"
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

    void windowSizeIsClampedAndOpensCentred()
    {
        QCOMPARE(window.clampedSize({ 5000, 100 }), QSizeF(2622, 488.4));
        QCOMPARE(window.clampedSize({ 100, 5000 }), QSizeF(837.1, 2511));
        // (1920 - 837.1) / 2 = 541.45 -> 541; (1080 - 488.4) / 2 = 295.8 -> 296.
        QCOMPARE(window.openingFrame(QRect(0, 0, 1920, 1080)), QRect(541, 296, 838, 489));
        // The close button spans x 806 to 822; left of it the title bar moves the window.
        QVERIFY(
            !window.startsWindowMove({ 806, 22 }, { 838, 489 }) && window.startsWindowMove({ 805, 14 }, { 838, 489 }));
    }

    void controllerDrivesTheStoreAnnouncesClosingAndMendsActivation()
    {
        TestPlatformWith<ScriptedFilePanels> platform;
        GalleryStore gallery { QString() };
        CanvasStore canvas { gallery, QString() };
        Theme theme;
        GalleryImporter importer(gallery);
        MoodBoardWindowController controller(gallery, canvas, importer, platform.services(), theme);
        for (int i = 0; i < 2; ++i) {
            canvas.pushUndoSnapshot();
            QVERIFY(!canvas.addLayer(QUuid::createUuid(), solidPng(20, 20), { 100, 100 }, false));
        }
        controller.show();
        QWidget* window = controller.window();
        QVERIFY(QTest::qWaitForWindowActive(window));
        // Each key with the layer selected or not, and the number of layers it leaves.
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
        const std::tuple<Qt::Key, Qt::KeyboardModifiers, bool, qsizetype> keys[]
            = { { Qt::Key_Z, ctrl, false, 1 }, { Qt::Key_Z, ctrl | Qt::ShiftModifier, false, 2 },
                  { Qt::Key_Z, ctrl, false, 1 }, { Qt::Key_Y, ctrl, false, 2 }, { Qt::Key_D, ctrl, true, 3 },
                  { Qt::Key_Backspace, ctrl, true, 2 }, { Qt::Key_Delete, {}, false, 2 } };
        for (const auto& [key, modifiers, selected, layers] : keys) {
            canvas.setSelectedLayerId(selected ? std::optional(canvas.layers().first().id) : std::nullopt);
            QTest::keyClick(window->windowHandle(), key, modifiers);
            QCOMPARE(canvas.layers().size(), layers);
        }
        // Ctrl+V: text alone pastes nothing; a picture becomes a cut-out and a
        // layer centred in the view, one undo step.
        platform.pasteboard.contents.setText(QStringLiteral("just words"));
        QTest::keyClick(window->windowHandle(), Qt::Key_V, ctrl);
        platform.pasteboard.contents.setData(QStringLiteral("image/png"), solidPng(30, 20));
        const qsizetype steps = canvas.undoStack().size();
        QTest::keyClick(window->windowHandle(), Qt::Key_V, ctrl);
        QTRY_COMPARE(canvas.layers().size(), 3);
        QCOMPARE(gallery.cutouts().size(), 1);
        QCOMPARE(canvas.layers().last().clipItemId, gallery.cutouts().first().id);
        QCOMPARE(canvas.layers().last().position, canvas.dropOrigin());
        QCOMPARE(canvas.undoStack().size(), std::min(steps + 1, CanvasStore::maxUndoDepth));

        // An open board comes forward when the application is switched to; a closed one stays closed.
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QTRY_VERIFY(window->isActiveWindow());
        QList<QVariantMap> announced;
        platform.notifications.addObserver(
            this, CommandNames::moodBoardVisibilityChanged, [&](const QVariantMap& info) { announced.append(info); });
        window->close();
        platform.notifications.removeObserver(this);
        QCOMPARE(announced, QList<QVariantMap>({ QVariantMap { { CommandNames::isOpenKey, false } } }));
        emit qApp->applicationStateChanged(Qt::ApplicationActive);
        QVERIFY(!window->isVisible());
    }
};

QTEST_MAIN(MoodBoardWindowTest)
#include "MoodBoardWindowTest.moc"
