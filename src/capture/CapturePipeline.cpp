#include "capture/CapturePipeline.h"

#include "capture/ScreenImageFile.h"

#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <charconv>
#include <cmath>

using namespace std::chrono_literals;

namespace {
// The overlay needs a moment to leave the screen (and the compositor to redraw
// what was under it) before the screen is photographed.
constexpr auto captureDelay = 100ms;
// A helper that hangs must not hold a pool thread for ever.
constexpr int helperTimeoutMs = 30000;

// A double as the log shows it: shortest exact form, with ".0" when whole.
QString decimal(double value)
{
    char buffer[64];
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    QString text = QString::fromLatin1(buffer, error == std::errc() ? end - buffer : 0);
    if (std::isfinite(value) && !text.contains(QLatin1Char('.')) && !text.contains(QLatin1Char('e')))
        text += QStringLiteral(".0");
    return text;
}

// Where the private folder of one capture is made: the per-user runtime folder
// (a RAM disk) when the session has one, else the temporary folder.
QString captureFolderBase()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo(runtime).isDir() ? runtime : QDir::tempPath();
}
} // namespace

CapturePipeline::CapturePipeline(
    GalleryStore& galleryStore, Pasteboard& pasteboard, NotificationCenter& notifications, QString screenCaptureProgram)
    : m_galleryStore(galleryStore)
    , m_pasteboard(pasteboard)
    , m_notifications(notifications)
    , m_screenCaptureProgram(std::move(screenCaptureProgram))
{
}

QString CapturePipeline::defaultScreenCaptureProgram()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("scrapwick-screencapture"));
}

void CapturePipeline::startCapture(
    QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, double scale, double screenHeight) const
{
    const CapturePipeline pipeline = *this;
    MainQueue::async(&m_galleryStore, [pipeline, overlay, lasso = std::move(lasso), scale, screenHeight]() mutable {
        pipeline.hideAndCapture(overlay, std::move(lasso), scale, screenHeight);
    });
}

void CapturePipeline::hideAndCapture(
    QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, double scale, double screenHeight) const
{
    if (overlay)
        overlay->hide();
    const CapturePipeline pipeline = *this;
    MainQueue::after(captureDelay, &m_galleryStore, [pipeline, lasso = std::move(lasso), scale, screenHeight] {
        (void)QtConcurrent::run([pipeline, lasso, scale, screenHeight] {
            std::optional<CutoutResult> result
                = captureRegion(pipeline.m_screenCaptureProgram, lasso, scale, screenHeight);
            MainQueue::async(
                &pipeline.m_galleryStore, [pipeline, result = std::move(result)] { pipeline.completeCapture(result); });
        });
    });
}

std::optional<CutoutResult> CapturePipeline::captureRegion(
    const QString& program, const std::optional<QPainterPath>& lasso, double scale, double screenHeight)
{
    // Only the lasso's pixels are read back; without a lasso the file is still
    // checked, so a failed screenshot is reported either way.
    const QRect wanted
        = lasso ? CutoutExtraction::pixelBox(CutoutExtraction::lassoBox(*lasso), scale, screenHeight) : QRect();
    std::optional<ScreenImageFile::Region> screen;
    {
        // A folder of its own, made with mode 0700 under a unique name: no other
        // user can plant or link the file, and captures running at once never
        // share it. Removed with its content when this scope ends, whatever
        // happened.
        QTemporaryDir folder(QDir(captureFolderBase()).filePath(QStringLiteral("scrapwick_cap_XXXXXX")));
        if (folder.isValid()) {
            const QString file
                = folder.filePath(QStringLiteral("scrapwick_cap_%1.png").arg(QDateTime::currentSecsSinceEpoch()));
            QProcess helper;
            helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            helper.start(program, { QStringLiteral("-x"), QStringLiteral("-m"), file });
            // The exit status is not trusted: the file either holds an image or not.
            if (helper.waitForStarted() && !helper.waitForFinished(helperTimeoutMs)) {
                helper.kill();
                helper.waitForFinished();
            }
            screen = ScreenImageFile::read(file, wanted);
        }
    }
    if (!screen || screen->screenSize.isEmpty()) {
        Log::line(QStringLiteral("screencapture failed"));
        return std::nullopt;
    }
    if (!lasso)
        return std::nullopt;

    CutoutResult result
        = CutoutExtraction::extract(screen->pixels, screen->rect, screen->screenSize, *lasso, scale, screenHeight);
    if (result.outcome == CutoutResult::Outcome::croppingFailed)
        Log::line(QStringLiteral("cropping failed"));
    return result;
}

void CapturePipeline::completeCapture(const std::optional<CutoutResult>& result) const
{
    if (result && result->outcome == CutoutResult::Outcome::extracted)
        finishCapture(result->image, result->box);
    else
        m_notifications.post(CommandNames::exitCropMode);
}

void CapturePipeline::finishCapture(const QImage& cutout, const QRectF& box) const
{
    m_pasteboard.setImage(cutout);
    Log::line(QStringLiteral("crop complete, size: (%1, %2)").arg(decimal(box.width()), decimal(box.height())));

    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (cutout.save(&buffer, "PNG"))
        m_galleryStore.addCutout(ClipItem { QUuid::createUuid(), png, QDateTime::currentDateTime() });

    m_notifications.post(CommandNames::exitCropMode);
}
