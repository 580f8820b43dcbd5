// Times the capture from the release of the lasso to the cut-out being on the
// clipboard and stored (the deliberate 0.1 s pause before the screenshot left
// out), beside scrot and maim each writing the whole screen to a file.
//
//   capture_pipeline_bench HELPER [RUNS]
//
// Runs on the X display in DISPLAY (bench/capture-pipeline.sh starts Xvfb at
// each screen size). The screen is covered by a window showing photo-like
// noise, so PNG compression has real work, as on a real desktop.

#include "capture/CapturePipeline.h"
#include "gallery/GalleryStore.h"
#include "platform/ClipboardPasteboard.h"
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
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: capture_pipeline_bench HELPER [RUNS]\n");
        return 2;
    }
    const QString helper = QString::fromLocal8Bit(argv[1]);
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    QStandardPaths::setTestModeEnabled(true);

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

    // A 600 × 400 elliptical lasso in the middle of the screen.
    QPainterPath lasso;
    lasso.addEllipse(QRectF(size.width() / 2.0 - 300, size.height() / 2.0 - 200, 600, 400));

    QList<double> ours, scrot, maim;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        const std::optional<CutoutResult> result
            = CapturePipeline::captureRegion(helper, lasso, { screen->devicePixelRatio(), double(size.height()) });
        if (!result || result->outcome != CutoutResult::Outcome::extracted) {
            std::fprintf(stderr, "capture failed\n");
            return 1;
        }
        pipeline.finishCapture(result->image, result->box);
        store.waitForPendingWrites();
        ours << timer.nsecsElapsed() / 1e9;

        const QString file = folder.filePath(QStringLiteral("full.png"));
        scrot << timeCommand(QStringLiteral("scrot"), { QStringLiteral("-o"), file });
        maim << timeCommand(QStringLiteral("maim"), { file });
    }
    std::printf("%dx%d  scrapwick pipeline %.3f s   scrot %.3f s   maim %.3f s   (median of %d)\n", size.width(),
        size.height(), median(ours), median(scrot), median(maim), runs);
    return 0;
}
