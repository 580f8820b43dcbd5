// The Mood Board window of the real app on a private desktop (openbox, picom,
// a tray): opened from the floating panel and closed with its own button.
#include "E2ETest.h"

namespace {

// The board's close button, centred 24 in from the right of the 838-wide window
// and 15 below its top (the card sits one point inside the window).
constexpr QPoint closeButton { 814, 15 };

} // namespace

class MoodBoardE2ETest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { REQUIRE_XVFB(); }

    void panelOpensTheBoardCentredAndItsCloseButtonUnselectsThePanel()
    {
        X11Session session({ .windowManager = true, .compositor = true, .trayHost = true });
        QVERIFY2(session.start() && session.launchApp(), qPrintable(session.lastError()));
        WAIT_FOR(session, session.appHasTrayIcon());
        const XWindow panel = session.waitForAppWindow(Panel::size);
        QVERIFY2(panel, qPrintable(session.diagnostics()));
        const auto face = [&] { return session.grayAt(panel, Panel::moodBoardFace); };

        QVERIFY(session.click(panel, Panel::moodBoard) && session.xdotool({ "mousemove", "0", "540" }).succeeded());
        const XWindow board = session.waitForAppWindow({ 838, 489 });
        QVERIFY2(board, qPrintable(session.diagnostics()));
        // 837.1 x 488.4 in whole pixels, centred on the 1920 x 1080 screen:
        // (1920 - 837.1) / 2 = 541.45 and (1080 - 488.4) / 2 = 295.8, rounded.
        QCOMPARE(session.screenGeometry(board), QRect(541, 296, 838, 489));
        const QString id = QString::number(board);
        QCOMPARE(session.xdotool({ "getwindowname", id }).output.trimmed(), QStringLiteral("MoodBoard"));
        QVERIFY(session.run("xprop", { "-id", id, "_NET_FRAME_EXTENTS" }).output.contains("= 0, 0, 0, 0"));
        WAIT_FOR(session, face() < 40);
        // Its own frame: the white title bar over the black rule at y 29.
        const auto frame = [&] { return session.windowImage(board).copy(400, 3, 1, 27); };
        WAIT_FOR(session, frame().pixelColor(0, 0) == Qt::white && frame().pixelColor(0, 26) == Qt::black);

        QVERIFY(session.click(board, closeButton));
        WAIT_FOR(session, !session.isViewable(board) && face() > 215);
    }
};

QTEST_GUILESS_MAIN(MoodBoardE2ETest)
#include "MoodBoardE2ETest.moc"
