// Takes the floating panel's pictures for the documentation from the real app
// on a private X11 desktop: normal, with the gallery button selected, and
// minimised. Run through scripts/screenshots.
#include "X11Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QTest>
#include <QTextStream>

namespace {

constexpr int scale = 2; // pictures at 2x, as on a high-density screen

bool click(const X11Session& session, XWindow panel, QPoint pointInPanel)
{
    return session.click(panel, pointInPanel * scale) && session.xdotool({ "mousemove", "0", "0" }).succeeded();
}

bool save(const X11Session& session, XWindow panel, const QString& path)
{
    // Let the app finish repainting after the last click.
    QTest::qWait(400);
    const bool saved = session.windowImage(panel).save(path);
    if (saved)
        QTextStream(stdout) << "wrote " << path << "\n";
    else
        QTextStream(stderr) << "could not take " << path << "\n";
    return saved;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: scrapwick-panel-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    X11Session session({ .windowManager = true, .compositor = true });
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    if (!session.start() || !session.launchApp(environment)) {
        err << session.lastError() << "\n";
        return 1;
    }
    const XWindow panel = session.waitForAppWindow(Panel::size * scale);
    if (!panel) {
        err << "the panel did not appear\n" << session.diagnostics() << "\n";
        return 1;
    }
    bool ok = save(session, panel, folder + "/panel.png");
    ok = click(session, panel, Panel::gallery) && save(session, panel, folder + "/panel-gallery-selected.png") && ok;
    ok = click(session, panel, Panel::gallery) && ok;
    ok = click(session, panel, Panel::minimize) && session.waitForAppWindow(QSize(78, 16) * scale) == panel
        && save(session, panel, folder + "/panel-minimized.png") && ok;
    return ok ? 0 : 1;
}
