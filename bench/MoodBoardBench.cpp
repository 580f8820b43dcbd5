// The Mood Board window over a full board on a private Xvfb desktop (openbox,
// picom): 100 overlapping layers of 1000 x 800 photo-like PNGs, some turned or
// mirrored. The parent seeds the canvas and runs itself as a child on that
// display, which opens the real window and times: "toggleMoodBoard" to the
// canvas's first frame and to every layer decoded; one frame per synthesised
// event (from the event until its repaint is painted and flushed) while a
// layer moves, a corner handle scales it and the wheel zooms; the frames
// after the wheel rests; the share of the canvas a drag frame repaints; the
// resident memory; then "Save to Collages" from the save menu, to its toast,
// and the longest main-thread stall meanwhile. Run: build/bin/bench_moodboard_window
#include "CanvasSeed.h"
#include "PhotoLikeImages.h"
#include "WindowBench.h"

#include "canvas/CanvasRendering.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryImporter.h"
#include "gallery/GalleryStore.h"
#include "moodboard_ui/MoodBoardCanvasView.h"
#include "moodboard_ui/MoodBoardSideLayout.h"
#include "moodboard_ui/MoodBoardView.h"
#include "moodboard_ui/MoodBoardViewState.h"
#include "moodboard_ui/MoodBoardWindowController.h"
#include "moodboard_ui/ToastPresenter.h"
#include "platform/CommandNames.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QTimer>
#include <QWindow>

#include <array>
#include <cmath>

namespace {

using namespace WindowBench;

// A 10 x 10 jittered grid over a little more than the opening view (595 x 357
// points): each layer overlaps its neighbours, and the outer ones reach past
// the edges, as on a board that has grown.
QList<SeedLayer> fullBoard(const QStringList& photos)
{
    QList<SeedLayer> layers;
    uint32_t random = 12345;
    const auto jitter = [&](double range) {
        random = random * 1664525u + 1013904223u;
        return (double(random >> 8) / double(1u << 24) - 0.5) * range;
    };
    for (int i = 0; i < int(photos.size()); ++i) {
        QFile file(photos[i]);
        if (!file.open(QIODevice::ReadOnly))
            return {};
        SeedLayer layer;
        layer.png = file.readAll();
        layer.width = 120 + (i * 53) % 140;
        layer.height = layer.width * 0.8;
        layer.position = QPointF(-60 + (i % 10) * 72 + jitter(40), -40 + (i / 10) * 44 + jitter(30));
        layer.rotation = i % 3 == 0 ? double((i * 37) % 60 - 30) : 0;
        layer.flipHorizontal = i % 4 == 1;
        layer.flipVertical = i % 7 == 2;
        layers.append(layer);
    }
    return layers;
}

// Notes every paint of the canvas: when it began and how much it covered.
struct PaintWatch : QObject {
    int paints = 0;
    double lastShare = 0; // of the widget's area
    QElapsedTimer clock;
    qint64 lastStartNs = 0;
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto* widget = static_cast<QWidget*>(watched);
        qint64 area = 0;
        for (const QRect& rect : static_cast<QPaintEvent*>(event)->region())
            area += qint64(rect.width()) * rect.height();
        lastShare = double(area) / (double(widget->width()) * widget->height());
        lastStartNs = clock.nsecsElapsed();
        ++paints;
        return false;
    }
};

struct Frames {
    QList<double> wall, cpu, share;
};

// A click as the pointer makes it, on whatever widget of the board is at `point`.
void clickAt(QWidget& view, QPointF point)
{
    QWidget* target = view.childAt(point.toPoint());
    if (!target)
        target = &view;
    const QPointF local = target->mapFrom(&view, point);
    QMouseEvent press(QEvent::MouseButtonPress, local, target->mapToGlobal(local), Qt::LeftButton, Qt::LeftButton, {});
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, target->mapToGlobal(local), Qt::LeftButton, {}, {});
    QApplication::sendEvent(target, &release);
}

// Save, then "Save to Collages", clicked on the real board: the time until the
// toast shows, and the longest the main thread went without running its
// event loop meanwhile, seen by a 1 ms timer.
bool timeSaveToCollages(MoodBoardView& view, const CanvasStore& store, const GalleryStore& gallery)
{
    using namespace MoodBoardSideLayout;
    const double cardHeight = view.height() - 2;
    const QRectF bounds = *store.contentBounds();
    out() << "Save to Collages of the " << store.layers().size() << " layers, "
          << std::round(bounds.width() * CanvasStore::exportScale) << " x "
          << std::round(bounds.height() * CanvasStore::exportScale) << " pixels out:" << Qt::endl;
    QList<double> toToast, stalls;
    for (int run = 0; run < 5; ++run) {
        const qsizetype collages = gallery.collages().size();
        QElapsedTimer clock;
        double lastTick = 0, longest = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            const double now = clock.nsecsElapsed() / 1e6;
            longest = std::max(longest, now - lastTick);
            lastTick = now;
        });
        clock.start();
        ticker.start();
        clickAt(view, saveButtonRect(cardHeight).center() + QPointF(1, 1));
        clickAt(view, saveMenuRow(1, cardHeight).center() + QPointF(1, 1));
        if (!waitUntil([&] { return view.toasts().message().has_value(); }, 60000))
            return false;
        toToast.append(clock.nsecsElapsed() / 1e6);
        stalls.append(std::max(longest, clock.nsecsElapsed() / 1e6 - lastTick));
        if (gallery.collages().size() != collages + 1)
            return false;
        waitUntil([&] { return !view.toasts().message().has_value(); });
    }
    report("  click to toast", toToast);
    report("  longest main-thread stall in that time", stalls);
    // What the main thread used to spend in the click before the work moved to the pool.
    QElapsedTimer inline_;
    inline_.start();
    const std::optional<QImage> image = store.renderImage(bounds);
    const bool encoded = image && CanvasRendering::pngData(*image).has_value();
    out() << "  render and encode on the main thread (one run): " << inline_.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    return encoded;
}

int runChild(int argc, char** argv, const QString& dataFolder)
{
    QApplication application(argc, argv);
    WindowServices app;
    auto& [theme, notifications, defaults, unused, services] = app;

    GalleryStore gallery(dataFolder);
    CanvasStore store(gallery, dataFolder);
    GalleryImporter importer(gallery);

    // As the application does: the controller is made on the first toggle.
    std::unique_ptr<MoodBoardWindowController> controller;
    PaintWatch watch;
    MoodBoardCanvasView* canvas = nullptr;
    bool decoded = false;
    notifications.addObserver(&watch, CommandNames::toggleMoodBoard, [&](const QVariantMap&) {
        if (!controller)
            controller = std::make_unique<MoodBoardWindowController>(gallery, store, importer, services, theme);
        controller->show();
        canvas = &controller->window()->findChild<MoodBoardView*>()->canvas();
        canvas->installEventFilter(&watch);
        QObject::connect(canvas, &MoodBoardCanvasView::layersDecoded, &watch, [&] { decoded = true; });
    });

    QElapsedTimer clock;
    clock.start();
    notifications.post(CommandNames::toggleMoodBoard);
    if (!waitUntil([&] { return watch.paints > 0; }))
        return 1;
    out() << "toggleMoodBoard to first frame: " << clock.nsecsElapsed() / 1e6 << " ms" << Qt::endl;
    if (!waitUntil([&] { return decoded && canvas->pendingDecodes() == 0; }))
        return 1;
    QCoreApplication::processEvents(); // the repaint the last decode asked for
    out() << "toggleMoodBoard to every layer decoded and painted: " << clock.nsecsElapsed() / 1e6 << " ms" << Qt::endl;

    QWidget* window = controller->window();
    window->activateWindow();
    if (!waitUntil([&] { return window->isActiveWindow(); }))
        out() << "the board did not become the active window" << Qt::endl;

    // One input event, then the events until its repaint is painted (and,
    // within the same handling, flushed to the X server). Without an input the
    // frame is the next one the canvas paints by itself within `ms`, timed
    // from its start.
    bool failed = false;
    watch.clock.start();
    const auto frame = [&](Frames& frames, const std::function<void()>& input, int ms = 20000) {
        const int before = watch.paints;
        const double cpuStart = threadCpuMs();
        const qint64 start = watch.clock.nsecsElapsed();
        if (input)
            input();
        if (!waitUntil([&] { return watch.paints > before; }, ms)) {
            failed = failed || input; // an input must be answered by a repaint
            return false;
        }
        frames.wall.append((watch.clock.nsecsElapsed() - (input ? start : watch.lastStartNs)) / 1e6);
        frames.cpu.append(threadCpuMs() - cpuStart);
        frames.share.append(watch.lastShare);
        return true;
    };
    const auto mouse = [&](QEvent::Type type, QPointF point, Qt::MouseButtons buttons) {
        QMouseEvent event(type, point, canvas->mapToGlobal(point), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(canvas, &event);
    };
    const auto settle = [&] { waitUntil([] { return false; }, 300); };
    const auto summary = [&](const char* name, Frames& frames) {
        report(name, frames.wall);
        report("  main-thread CPU of those frames", frames.cpu);
    };

    // A tap selects the topmost layer at the middle of the view; then that
    // layer is moved round a circle of 80 points above it, twice.
    const QPointF start = canvas->viewport().viewFromWorld({ 300, 180 });
    mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, start, Qt::NoButton);
    settle();
    const std::optional<QUuid> selected = store.selectedLayerId();
    if (!selected)
        return 1;
    Frames drag;
    mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
    for (int k = 1; k <= 240; ++k) {
        const double t = k * M_PI / 60;
        frame(drag,
            [&] { mouse(QEvent::MouseMove, start + 80 * QPointF(std::sin(t), std::cos(t) - 1), Qt::LeftButton); });
    }
    mouse(QEvent::MouseButtonRelease, start, Qt::NoButton);
    settle();
    summary("moving a layer", drag);
    std::sort(drag.share.begin(), drag.share.end());
    const auto selectedLayer = [&] {
        return *std::find_if(
            store.layers().cbegin(), store.layers().cend(), [&](const Layer& l) { return l.id == *selected; });
    };
    const LayerBox before = LayerGeometry::boxOf(selectedLayer());
    const QRectF layerArea = LayerItemView::viewBounds(canvas->viewport(), before);
    out() << "  share of the canvas repainted per drag frame (" << canvas->width() << " x " << canvas->height()
          << "): median " << drag.share[drag.share.size() / 2] * 100 << " %, max " << drag.share.last() * 100
          << " %; the layer alone covers "
          << layerArea.width() * layerArea.height() * 100 / (canvas->width() * canvas->height()) << " %" << Qt::endl;

    // The bottom-right corner handle dragged out 150 points and half way back.
    const QPointF corner = canvas->viewport().viewFromWorld(LayerGeometry::handleCentre(HandleKind::cornerBR, before));
    Frames scale;
    mouse(QEvent::MouseButtonPress, corner, Qt::LeftButton);
    QPointF pointer;
    for (int k = 1; k <= 300; ++k) {
        const double d = k <= 200 ? k * 0.75 : 150 - (k - 200) * 0.75;
        pointer = corner + QPointF(d, d * 0.8);
        frame(scale, [&] { mouse(QEvent::MouseMove, pointer, Qt::LeftButton); });
    }
    mouse(QEvent::MouseButtonRelease, pointer, Qt::NoButton);
    settle();
    summary("scaling by a corner handle", scale);
    out() << "  the layer went from " << before.width << " x " << before.height << " to " << selectedLayer().width
          << " x " << selectedLayer().height << " points" << Qt::endl;

    // Wheel notches at the middle of the canvas, through the window as the
    // pointer sends them: in to 200 %, out to 50 %, back to 100 %, three times,
    // each followed by a rest after which the copies are remade.
    MoodBoardViewState& state = controller->viewState();
    const auto notch = [&](int delta) {
        const QPointF global = canvas->mapToGlobal(QPointF(canvas->rect().center()));
        QWheelEvent event(window->windowHandle()->mapFromGlobal(global), global, {}, { 0, delta }, Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(window->windowHandle(), &event);
    };
    Frames zoom;
    Frames rest;
    for (int round = 0; round < 9 && !failed; ++round) {
        const double target = std::array { 2.0, 0.5, 1.0 }[round % 3];
        const bool in = target > state.canvasScale();
        while ((in ? state.canvasScale() < target : state.canvasScale() > target) && !failed)
            frame(zoom, [&] { notch(in ? 120 : -120); });
        // The repaint when the wheel has rested, and any that follow at once.
        for (int ms = 1000; frame(rest, nullptr, ms); ms = 100) { }
    }
    summary("wheel zoom", zoom);
    summary("frames after the wheel rests (copies remade)", rest);
    out() << "resident memory afterwards: " << residentKiB() / 1024 << " MiB" << Qt::endl;
    if (!failed && !timeSaveToCollages(*controller->window()->findChild<MoodBoardView*>(), store, gallery))
        return 1;
    return failed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 3 && QByteArray(argv[1]) == "--child")
        return runChild(argc, argv, QString::fromLocal8Bit(argv[2]));

    QCoreApplication application(argc, argv);
    // Kept beside the build between runs: writing them takes a while.
    const QString photos = QCoreApplication::applicationDirPath() + QStringLiteral("/../bench-photos-1000x800");
    const QList<SeedLayer> layers = fullBoard(PhotoLikeImages::make(photos, 100, 1000, 800));
    return runOnPrivateDesktop(
        [&](const QString& folder) { return !layers.isEmpty() && CanvasSeed::write(folder, layers); });
}
