// Takes the Mood Board's pictures for the documentation from the real app on a
// private X11 desktop, over a seeded canvas: one layer selected with the layer
// panel open, then the save menu. Run through scripts/screenshots.
#include "CanvasSeed.h"
#include "X11Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTextStream>

namespace {

// Lets the board repaint with the pointer out of the way, then saves what it shows.
bool take(X11Session& session, XWindow board, const QString& path)
{
    bool ok = session.xdotool({ "mousemove", "0", "0" }).succeeded();
    QTest::qWait(600);
    const QImage image = session.windowImage(board);
    if (!ok || image.isNull() || !image.save(path)) {
        QTextStream(stderr) << "could not take " << path << "\n";
        return false;
    }
    QTextStream(stdout) << "wrote " << path << "\n";
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: scrapwick-moodboard-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    X11Session session({ .windowManager = true, .compositor = true });
    XWindow board = 0;
    const QList<SeedLayer> layers = CanvasSeed::sample();
    if (!X11Session::xvfbAvailable() || !session.start() || !CanvasSeed::write(session.scrapwickFolder(), layers)
        || !session.launchApp() || !session.click(session.waitForAppWindow(Panel::size), Panel::moodBoard)
        || !(board = session.waitForAppWindow(MoodBoard::size))) {
        QTextStream(stderr) << "could not open the board: " << session.lastError() << "\n"
                            << session.diagnostics() << "\n";
        return 1;
    }
    bool ok = session.click(board, MoodBoard::pointOf(layers[1].position))
        && session.click(board, MoodBoard::layerOrder) && take(session, board, folder + "/moodboard.png");
    ok = ok && session.click(board, MoodBoard::save) && take(session, board, folder + "/moodboard-save-menu.png");
    return ok ? 0 : 1;
}
