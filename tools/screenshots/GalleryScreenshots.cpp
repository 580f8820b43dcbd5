// Takes the Idea Gallery's pictures for the documentation from the real app on
// a private X11 desktop, over a seeded gallery: the grid, and the grid with an
// item's menu open. Run through scripts/screenshots.
#include "GallerySeed.h"
#include "X11Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTextStream>

namespace {

bool save(const X11Session& session, XWindow gallery, const QString& path)
{
    // Let the app finish painting thumbnails and the last click.
    QTest::qWait(600);
    const QImage image = session.windowImage(gallery);
    if (image.isNull() || !image.save(path)) {
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
        QTextStream(stderr) << "usage: scrapwick-gallery-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    X11Session session({ .windowManager = true, .compositor = true });
    XWindow gallery = 0;
    if (!X11Session::xvfbAvailable() || !session.start()
        || !GallerySeed::write(session.scrapwickFolder(), GallerySeed::sample()) || !session.launchApp()
        || !session.click(session.waitForAppWindow(Panel::size), Panel::gallery)
        || !(gallery = session.waitForAppWindow({ 601, 472 }))) {
        QTextStream(stderr) << "could not open the gallery: " << session.lastError() << "\n"
                            << session.diagnostics() << "\n";
        return 1;
    }
    bool ok = save(session, gallery, folder + "/gallery.png");
    // The second cell's menu; the pointer rests on "Download".
    ok = session.click(gallery, { 285, 200 }, 3) && ok;
    ok = session.xdotool({ "mousemove_relative", "--", "90", "98" }).succeeded() && ok;
    ok = save(session, gallery, folder + "/gallery-menu.png") && ok;
    return ok ? 0 : 1;
}
