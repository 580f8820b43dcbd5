// The Idea Gallery window over 10,000 cut-outs, on a private Xvfb desktop with
// openbox and picom. The parent process starts the desktop and seeds the
// gallery, then runs itself as a child on that display; the child opens the
// real window and measures:
//   - the time from "toggleIdeaGallery" to the first painted frame, and to
//     every visible thumbnail being on screen;
//   - the time of each frame while wheel-scrolling (40 points a notch) from
//     top to bottom, twice: the first pass decodes thumbnails as it goes, the
//     second finds the ones the store's cache still holds; then once more over
//     the newest rows only, whose thumbnails all fit in the cache;
//   - the resident memory afterwards.
// Run: build/bin/bench_gallery_window [ITEMS]
#include "GallerySeed.h"
#include "X11Session.h"

#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "gallery_ui/GalleryGridView.h"
#include "gallery_ui/GalleryScrollbar.h"
#include "gallery_ui/GalleryThumbnails.h"
#include "gallery_ui/IdeaGalleryView.h"
#include "gallery_ui/IdeaGalleryViewState.h"
#include "gallery_ui/IdeaGalleryWindowController.h"
#include "platform/CommandNames.h"
#include "platform/FilePanels.h"
#include "platform/LoginItem.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"
#include "platform/ScreenCapture.h"
#include "platform/ScreenCaptureAccess.h"
#include "platform/UrlOpener.h"
#include "platform/UserDefaults.h"
#include "ui/Theme.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTextStream>
#include <QWindow>

#include <algorithm>
#include <ctime>

namespace {

// `count` cut-outs of cycling colours, an hour apart.
QList<SeedItem> manyCutouts(int count)
{
    QList<SeedItem> items;
    items.reserve(count);
    const QDateTime newest = QDateTime(QDate(2026, 3, 5), QTime(14, 7, 9));
    for (int i = 0; i < count; ++i) {
        const QColor colour = QColor::fromHsv((i * 37) % 360, 200, 220);
        // Every fifth picture is tall and every seventh wide, so rows differ in height.
        const QSize size = i % 5 == 0 ? QSize(200, 500) : i % 7 == 0 ? QSize(600, 200) : QSize(400, 400);
        items.append({ QUuid::createUuid(), colour, size, false, newest.addSecs(-3600 * i) });
    }
    return items;
}

QTextStream& out()
{
    static QTextStream stream(stdout);
    return stream;
}

// Services the window never calls during the measurement.
struct Unused final : FilePanels, Pasteboard, UrlOpener, LoginItem, ScreenCaptureAccess, ScreenCapture {
    void runOpenPanel(const OpenPanelRequest&, OpenCompletion) override { }
    void runSavePanel(const SavePanelRequest&, SaveCompletion) override { }
    void setImage(const QImage&) override { }
    bool openUrl(const QUrl&) override { return false; }
    bool setEnabled(bool) override { return false; }
    [[nodiscard]] bool preflight() const override { return true; }
    void request() override { }
    [[nodiscard]] QString toolProgram() const override { return {}; }
    [[nodiscard]] bool desktopIsComposited() const override { return true; }
};

// CPU time of the calling thread, in milliseconds: the frame's own work,
// without the time the scheduler gave to other programs on a busy machine.
double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

qint64 residentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

void report(const char* name, QList<double> frames)
{
    std::sort(frames.begin(), frames.end());
    const auto at = [&](double q) { return frames[qsizetype(q * (frames.size() - 1))]; };
    const qsizetype over = std::count_if(frames.cbegin(), frames.cend(), [](double ms) { return ms > 16.7; });
    out() << name << ": " << frames.size() << " frames, median " << at(0.5) << " ms, p99 " << at(0.99) << " ms, max "
          << frames.last() << " ms, over 16.7 ms: " << over << Qt::endl;
}

bool visibleThumbnailsShown(IdeaGalleryView& view)
{
    const auto [first, last] = view.grid()->visibleItems();
    for (qsizetype index = first; index < last; ++index) {
        if (view.thumbnails().pixmap(view.grid()->idAt(index)).isNull())
            return false;
    }
    return true;
}

int runChild(int argc, char** argv, const QString& dataFolder)
{
    QApplication application(argc, argv);
    Theme theme;
    NotificationCenter notifications;
    MemoryUserDefaults defaults;
    Unused unused;
    const PlatformServices services { notifications, defaults, unused, unused, unused, unused, unused, unused };

    QElapsedTimer clock;
    clock.start();
    GalleryStore store(dataFolder);
    CanvasStore canvas(store, dataFolder);
    out() << "stores opened (" << store.cutouts().size() << " cut-outs): " << clock.elapsed() << " ms" << Qt::endl;

    IdeaGalleryWindowController controller(store, canvas, services, theme);
    notifications.addObserver(
        &controller, CommandNames::toggleIdeaGallery, [&](const QVariantMap&) { controller.show(); });

    clock.restart();
    notifications.post(CommandNames::toggleIdeaGallery);
    IdeaGalleryView& view = *controller.view();
    bool painted = false;
    struct PaintWatch : QObject {
        bool* painted;
        bool eventFilter(QObject*, QEvent* event) override
        {
            if (event->type() == QEvent::Paint)
                *painted = true;
            return false;
        }
    } watch;
    watch.painted = &painted;
    view.grid()->installEventFilter(&watch);
    while (!painted)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();
    out() << "toggleIdeaGallery to first frame: " << clock.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    while (!visibleThumbnailsShown(view))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    out() << "toggleIdeaGallery to every visible thumbnail: " << clock.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    view.window()->activateWindow();

    IdeaGalleryViewState& state = controller.viewState();
    for (const char* pass : { "scrolling, first pass", "scrolling, second pass" }) {
        QList<double> frames;
        QList<double> cpu;
        state.setPendingScrollDelta(1e9); // to the top
        QCoreApplication::processEvents();
        while (view.fields().contentOffset < view.maxOffset()) {
            QElapsedTimer frame;
            const double cpuStart = threadCpuMs();
            frame.start();
            state.setPendingScrollDelta(-40);
            view.grid()->repaint();
            view.scrollbar()->repaint();
            frames.append(frame.nsecsElapsed() / 1e6);
            cpu.append(threadCpuMs() - cpuStart);
            // Thumbnails decoded meanwhile arrive and are painted here, as
            // between the events of a real wheel.
            QCoreApplication::processEvents();
        }
        report(pass, frames);
        report("  main-thread CPU of those frames", cpu);
    }
    // Scrolling back and forth through the newest rows, whose thumbnails all
    // fit the store's cache of 200: the first run fills the cache (waiting for
    // every visible picture), the timed one finds them all there.
    const double cachedRange = std::min(6000.0, view.maxOffset()); // 39 rows of 3: 117 thumbnails
    for (const bool timed : { false, true }) {
        QList<double> frames;
        state.setPendingScrollDelta(1e9);
        QCoreApplication::processEvents();
        while (view.fields().contentOffset < cachedRange) {
            QElapsedTimer frame;
            frame.start();
            state.setPendingScrollDelta(-40);
            view.grid()->repaint();
            view.scrollbar()->repaint();
            frames.append(frame.nsecsElapsed() / 1e6);
            if (!timed) {
                while (!visibleThumbnailsShown(view))
                    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            }
            QCoreApplication::processEvents();
        }
        if (timed)
            report("scrolling the newest rows, thumbnails cached", frames);
    }
    out() << "resident memory after scrolling: " << residentKiB() / 1024 << " MiB (" << view.thumbnails().pixmapCount()
          << " pictures held by the view)" << Qt::endl;
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    const int items = argc >= 2 ? QByteArray(argv[1]).toInt() : 10000;
    QCoreApplication application(argc, argv);
    if (!X11Session::xvfbAvailable()) {
        out() << "Xvfb is not installed; scripts/install-deps installs it" << Qt::endl;
        return 1;
    }
    X11Session session({ .windowManager = true, .compositor = true });
    if (!session.start() || !GallerySeed::write(session.scrapwickFolder(), manyCutouts(items))) {
        out() << "could not prepare the desktop: " << session.lastError() << Qt::endl;
        return 1;
    }
    QProcess child;
    child.setProcessEnvironment(session.environment());
    child.setProcessChannelMode(QProcess::ForwardedChannels);
    child.start(QCoreApplication::applicationFilePath(), { "--child", session.scrapwickFolder() });
    if (!child.waitForFinished(-1) || child.exitCode() != 0) {
        out() << "the measuring process failed" << Qt::endl;
        return 1;
    }
    return 0;
}
