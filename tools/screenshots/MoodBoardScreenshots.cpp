// Takes the Mood Board's picture for the documentation from the real app on a
// private X11 desktop, over a seeded canvas, with one layer selected. Run
// through scripts/screenshots.
#include "CanvasSeed.h"
#include "X11Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

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
    // Select the second layer, then move the pointer out of the way.
    bool ok = session.click(board, MoodBoard::pointOf(layers[1].position));
    ok = session.xdotool({ "mousemove", "0", "0" }).succeeded() && ok;
    (void)X11Session::waitUntil([] { return false; }, 600);
    const QImage image = session.windowImage(board);
    const QString path = folder + "/moodboard.png";
    if (image.isNull() || !image.save(path)) {
        QTextStream(stderr) << "could not take " << path << "\n";
        return 1;
    }
    QTextStream(stdout) << "wrote " << path << "\n";
    return ok ? 0 : 1;
}
