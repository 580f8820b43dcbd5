// Times the capture from the release of the lasso to the cut-out being on the
// clipboard and stored (the deliberate 0.1 s pause before the screenshot left
// out), beside scrot and maim each writing the whole screen to a file.
//
//   capture_pipeline_bench HELPER [RUNS]
//   capture_pipeline_bench --wayland [RUNS [WIDTHxHEIGHT]]
//
// X11: runs on the X display in DISPLAY (bench/capture-pipeline.sh starts Xvfb
// at each screen size). The screen is covered by a window showing photo-like
// noise, so PNG compression has real work, as on a real desktop.
//
// Wayland (--wayland): starts the tests' headless sway session with one output
// (1920 x 1080 unless given) showing the same picture (swaybg) and the desktop portal,
// and runs itself inside it (--portal RUNS) to time the portal path: the
// Screenshot request as crop mode starts (D-Bus, the portal's grim, reading
// and deleting its file), taking the screen out of the layout, and the
// release of the lasso to the stored cut-out, cut from that frozen picture;
// beside it grim writing the whole screen to a file.

#include "WaylandSession.h"
#include "capture/CapturePipeline.h"
#include "capture/ScreenLayout.h"
#include "gallery/GalleryStore.h"
#include "platform/ClipboardPasteboard.h"
#include "platform/DesktopScreenshotPortal.h"
#include "platform/NotificationCenter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QRandomGenerator>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <algorithm>
#include <cstdio>

namespace {
QImage desktopLikeImage(QSize size)
{
    // Soft gradients with text-like speckles: compresses like a busy desktop.
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, size.width(), size.height());
    gradient.setColorAt(0, QColor(40, 90, 160));
    gradient.setColorAt(1, QColor(230, 200, 120));
    painter.fillRect(image.rect(), gradient);
    QRandomGenerator random(7);
    for (int i = 0; i < size.width() * size.height() / 40; ++i)
        painter.fillRect(random.bounded(size.width()), random.bounded(size.height()), 1 + random.bounded(6), 2,
            QColor::fromRgb(random.generate() | 0xff000000));
    return image;
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values[values.size() / 2];
}

double timeCommand(const QString& program, const QStringList& arguments)
{
    QElapsedTimer timer;
    timer.start();
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return timer.nsecsElapsed() / 1e9;
}

// A 600 × 400 elliptical lasso in the middle of a screen of `size` points.
QPainterPath middleLasso(QSize size)
{
    QPainterPath lasso;
    lasso.addEllipse(QRectF(size.width() / 2.0 - 300, size.height() / 2.0 - 200, 600, 400));
    return lasso;
}

// From the released lasso to the cut-out on the clipboard and stored, as the
// app does it; false when the capture failed.
bool cutAndStore(const CapturePipeline& pipeline, GalleryStore& store, const QString& helper, const QPainterPath& lasso,
    const CaptureScreen& screen)
{
    const std::optional<CutoutResult> result = CapturePipeline::captureRegion(helper, lasso, screen);
    if (!result || result->outcome != CutoutResult::Outcome::extracted) {
        std::fprintf(stderr, "capture failed\n");
        return false;
    }
    pipeline.finishCapture(result->image, result->box);
    store.waitForPendingWrites();
    return true;
}

// The measuring side of --wayland, inside the session, on XWayland.
int measurePortal(int runs)
{
    QScreen* screen = QGuiApplication::primaryScreen();
    const QList<QScreen*> screens = QGuiApplication::screens();
    QList<ScreenArea> areas;
    for (const QScreen* each : screens)
        areas.append({ each->geometry(), each->devicePixelRatio() });
    const QSize size = screen->geometry().size();
    QTemporaryDir folder;
    GalleryStore store(folder.filePath(QStringLiteral("Scrapwick")));
    ClipboardPasteboard pasteboard;
    NotificationCenter notifications;
    const CapturePipeline pipeline(store, pasteboard, notifications, QString());
    DesktopScreenshotPortal portal;
    const QPainterPath lasso = middleLasso(size);

    QList<double> request, release, grim;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        QObject context;
        std::optional<DesktopScreenshot> shot;
        portal.takeScreenshot(context, [&](const DesktopScreenshot& answer) { shot = answer; });
        while (!shot)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        const QImage pixels = ScreenLayout::screenPixels(shot->layout, areas, int(screens.indexOf(screen)));
        if (pixels.isNull()) {
            std::fprintf(stderr, "portal screenshot failed: %s\n", qPrintable(shot->failure));
            return 1;
        }
        request << timer.nsecsElapsed() / 1e9;

        timer.restart();
        if (!cutAndStore(pipeline, store, QString(), lasso,
                { screen->devicePixelRatio(), double(size.height()), QRect(), pixels }))
            return 1;
        release << timer.nsecsElapsed() / 1e9;

        grim << timeCommand(QStringLiteral("grim"), { folder.filePath(QStringLiteral("full.png")) });
    }
    std::printf("%dx%d  portal: screenshot at crop start %.3f s, release to stored %.3f s   grim %.3f s   (median "
                "of %d)\n",
        size.width(), size.height(), median(request), median(release), median(grim), runs);
    return 0;
}

// --wayland: the session, then this program inside it.
int measureInWaylandSession(int runs, QSize size)
{
    if (const QString missing = WaylandSession::unavailableReason(); !missing.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(missing));
        return 1;
    }
    WaylandSession session({ size });
    if (!session.start() || !session.showPicture(0, desktopLikeImage(size))) {
        std::fprintf(stderr, "%s\n", qPrintable(session.lastError()));
        return 1;
    }
    const CommandResult child = session.run(
        QCoreApplication::applicationFilePath(), { QStringLiteral("--portal"), QString::number(runs) }, 600000);
    std::fputs(child.output.toLocal8Bit().constData(), stdout);
    std::fputs(child.errors.toLocal8Bit().constData(), stderr);
    return child.succeeded() ? 0 : 1;
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--wayland")
        qputenv("QT_QPA_PLATFORM", "offscreen"); // the session is the harness's; nothing is shown here
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_pipeline_bench HELPER [RUNS] | --wayland [RUNS [WIDTHxHEIGHT]]\n");
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    QStandardPaths::setTestModeEnabled(true);
    if (mode == "--wayland") {
        const QStringList size = argc > 3 ? QString::fromLatin1(argv[3]).split(QLatin1Char('x')) : QStringList();
        return measureInWaylandSession(
            runs, size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize(1920, 1080));
    }
    if (mode == "--portal")
        return measurePortal(runs);
    const QString helper = QString::fromLocal8Bit(argv[1]);

    QScreen* screen = QGuiApplication::primaryScreen();
    const QSize size = screen->geometry().size();
    QWidget backdrop(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    const QImage picture = desktopLikeImage(size);
    backdrop.setGeometry(screen->geometry());
    backdrop.setAutoFillBackground(true);
    QPalette palette;
    palette.setBrush(QPalette::Window, QPixmap::fromImage(picture));
    backdrop.setPalette(palette);
    backdrop.show();
    QTest::qWait(500);

    QTemporaryDir folder;
    GalleryStore store(folder.filePath(QStringLiteral("Scrapwick")));
    ClipboardPasteboard pasteboard;
    NotificationCenter notifications;
    const CapturePipeline pipeline(store, pasteboard, notifications, helper);

    const QPainterPath lasso = middleLasso(size);

    QList<double> ours, scrot, maim;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!cutAndStore(pipeline, store, helper, lasso, { screen->devicePixelRatio(), double(size.height()) }))
            return 1;
        ours << timer.nsecsElapsed() / 1e9;

        const QString file = folder.filePath(QStringLiteral("full.png"));
        scrot << timeCommand(QStringLiteral("scrot"), { QStringLiteral("-o"), file });
        maim << timeCommand(QStringLiteral("maim"), { file });
    }
    std::printf("%dx%d  scrapwick pipeline %.3f s   scrot %.3f s   maim %.3f s   (median of %d)\n", size.width(),
        size.height(), median(ours), median(scrot), median(maim), runs);
    return 0;
}
