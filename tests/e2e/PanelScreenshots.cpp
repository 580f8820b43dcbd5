// Takes the floating panel's pictures for the documentation from the real app
// on a private X11 desktop: normal, with the gallery button selected, and
// minimised. Run through scripts/screenshots.
#include "WindowGrab.h"
#include "X11Session.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

namespace {

constexpr int scale = 2; // pictures at 2x, as on a high-density screen

QTextStream& err()
{
    static QTextStream stream(stderr);
    return stream;
}

XWindow findPanel(X11Session& session, QSize size)
{
    XWindow found = 0;
    X11Session::waitUntil(
        [&] {
            for (const XWindow window : session.windowsOfProcess(session.appPid())) {
                const auto frame = WindowGrab::geometry(session.display(), window);
                if (frame && frame->size() == size && session.isViewable(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        10000);
    return found;
}

bool click(X11Session& session, XWindow panel, QPoint pointInPanel)
{
    const auto frame = WindowGrab::geometry(session.display(), panel);
    if (!frame)
        return false;
    const QPoint at = frame->topLeft() + pointInPanel * scale;
    return session
        .xdotool({ "mousemove", QString::number(at.x()), QString::number(at.y()), "click", "1", "mousemove", "0", "0" })
        .succeeded();
}

bool save(X11Session& session, XWindow panel, const QString& path)
{
    // Let the app finish repainting after the last click.
    X11Session::waitUntil([] { return false; }, 400);
    const QImage image = WindowGrab::contents(session.display(), panel);
    if (image.isNull() || !image.save(path)) {
        err() << "could not take " << path << "\n";
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
        err() << "usage: scrapwick-panel-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    if (!X11Session::xvfbAvailable()) {
        err() << "Xvfb is not installed; scripts/install-deps installs it\n";
        return 1;
    }

    X11Session session({ .windowManager = true, .compositor = true });
    if (!session.start()) {
        err() << session.lastError() << "\n";
        return 1;
    }
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::number(scale));
    if (!session.launchApp({}, environment)) {
        err() << session.lastError() << "\n";
        return 1;
    }
    const XWindow panel = findPanel(session, QSize(78, 87) * scale);
    if (!panel) {
        err() << "the panel did not appear\n" << session.diagnostics() << "\n";
        return 1;
    }
    bool ok = save(session, panel, folder + "/panel.png");
    ok = click(session, panel, { 53, 34 }) && save(session, panel, folder + "/panel-gallery-selected.png") && ok;
    ok = click(session, panel, { 53, 34 }) && ok;
    ok = click(session, panel, { 12, 8 }) && findPanel(session, QSize(78, 16) * scale) == panel
        && save(session, panel, folder + "/panel-minimized.png") && ok;
    return ok ? 0 : 1;
}
