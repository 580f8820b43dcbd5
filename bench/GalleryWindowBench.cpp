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
#include "WindowBench.h"

#include "canvas/CanvasStore.h"
#include "gallery/GalleryImporter.h"
#include "gallery/GalleryStore.h"
#include "gallery_ui/GalleryGridView.h"
#include "gallery_ui/GalleryScrollbar.h"
#include "gallery_ui/GalleryThumbnails.h"
#include "gallery_ui/IdeaGalleryView.h"
#include "gallery_ui/IdeaGalleryViewState.h"
#include "gallery_ui/IdeaGalleryWindowController.h"
#include "platform/CommandNames.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>

namespace {

using namespace WindowBench;

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
    WindowServices app;
    auto& [theme, notifications, defaults, unused, services] = app;

    QElapsedTimer clock;
    clock.start();
    GalleryStore store(dataFolder);
    CanvasStore canvas(store, dataFolder);
    out() << "stores opened (" << store.cutouts().size() << " cut-outs): " << clock.elapsed() << " ms" << Qt::endl;

    GalleryImporter importer(store);
    IdeaGalleryWindowController controller(store, canvas, importer, services, theme);
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
    return runOnPrivateDesktop(
        [items](const QString& folder) { return GallerySeed::write(folder, manyCutouts(items)); });
}
