#include "capture/CapturePipeline.h"

#include "capture/ScreenImageFile.h"

#include "gallery/GalleryStore.h"
#include "platform/CommandNames.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"
#include "platform/NotificationCenter.h"
#include "platform/Pasteboard.h"

#include <QBuffer>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtConcurrent/QtConcurrentRun>

#include <charconv>
#include <cmath>
#include <memory>
#include <mutex>

using namespace std::chrono_literals;

namespace {
// The overlay needs a moment to leave the screen (and the compositor to redraw
// what was under it) before the screen is photographed.
constexpr auto captureDelay = 100ms;
// A helper that hangs must not hold a pool thread for ever.
constexpr int helperTimeoutMs = 30000;
// How soon a running helper notices that its capture was abandoned.
constexpr int cancelPollMs = 50;

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

// The helper's command line: the primary screen, or an area of the X screen.
QStringList helperArguments(const QRect& area, const QString& file)
{
    if (area.isEmpty())
        return { QStringLiteral("-x"), QStringLiteral("-m"), file };
    return { QStringLiteral("-x"), QStringLiteral("-R"),
        QStringLiteral("%1,%2,%3,%4").arg(area.x()).arg(area.y()).arg(area.width()).arg(area.height()), file };
}

// What a capture's pool thread shares with the main thread. The result is
// posted only while `receiver` is set, and under the lock, so it is never
// posted to an object that is being destroyed; `cancelled` stops the helper.
struct Handoff {
    std::mutex mutex;
    QObject* receiver = nullptr;
    std::atomic_bool cancelled = false;
};

// The main-thread end of one capture. A child of the gallery store, so it
// goes when the store goes, and then abandons the capture. The application
// object, which outlives the store, waits for the pool thread at exit; it
// finds the helper killed and nothing more to deliver.
class CaptureReceiver final : public QObject {
public:
    CaptureReceiver(QObject& store, std::shared_ptr<Handoff> handoff)
        : QObject(&store)
        , m_handoff(std::move(handoff))
    {
        const std::lock_guard lock(m_handoff->mutex);
        m_handoff->receiver = this;
    }
    ~CaptureReceiver() override
    {
        const std::lock_guard lock(m_handoff->mutex);
        m_handoff->receiver = nullptr;
        m_handoff->cancelled = true;
    }

private:
    std::shared_ptr<Handoff> m_handoff;
};
} // namespace

CapturePipeline::CapturePipeline(
    GalleryStore& galleryStore, Pasteboard& pasteboard, NotificationCenter& notifications, QString screenCaptureProgram)
    : m_galleryStore(galleryStore)
    , m_pasteboard(pasteboard)
    , m_notifications(notifications)
    , m_screenCaptureProgram(std::move(screenCaptureProgram))
{
}

void CapturePipeline::startCapture(
    QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, CaptureScreen screen) const
{
    const CapturePipeline pipeline = *this;
    MainQueue::async(
        &m_galleryStore, [pipeline, overlay, lasso = std::move(lasso), screen = std::move(screen)]() mutable {
            pipeline.hideAndCapture(overlay, std::move(lasso), std::move(screen));
        });
}

void CapturePipeline::hideAndCapture(
    QPointer<QWidget> overlay, std::optional<QPainterPath> lasso, CaptureScreen screen) const
{
    if (overlay)
        overlay->hide();
    const CapturePipeline pipeline = *this;
    const auto handoff = std::make_shared<Handoff>();
    auto* receiver = new CaptureReceiver(m_galleryStore, handoff);
    // A frozen screen already holds what was under the overlay.
    const auto delay = screen.frozen.isNull() ? captureDelay : 0ms;
    MainQueue::after(delay, receiver, [pipeline, handoff, lasso = std::move(lasso), screen = std::move(screen)] {
        (void)QtConcurrent::run([pipeline, handoff, lasso, screen] {
            std::optional<CutoutResult> result
                = captureRegion(pipeline.m_screenCaptureProgram, lasso, screen, &handoff->cancelled);
            const std::lock_guard lock(handoff->mutex);
            if (!handoff->receiver)
                return;
            QObject* receiver = handoff->receiver;
            MainQueue::async(receiver, [pipeline, receiver, result = std::move(result)] {
                receiver->deleteLater();
                pipeline.completeCapture(result);
            });
        });
    });
}

std::optional<CutoutResult> CapturePipeline::captureRegion(const QString& program,
    const std::optional<QPainterPath>& lasso, const CaptureScreen& screen, const std::atomic_bool* cancelled)
{
    const auto isCancelled = [cancelled] { return cancelled && cancelled->load(); };
    if (!screen.frozen.isNull()) {
        if (isCancelled() || !lasso)
            return std::nullopt;
        return cutOut(screen.frozen, screen.frozen.rect(), screen.frozen.size(), *lasso, screen);
    }
    // Only the lasso's pixels are read back; without a lasso the file is still
    // checked, so a failed screenshot is reported either way.
    const QRect wanted
        = lasso ? CutoutExtraction::pixelBox(CutoutExtraction::lassoBox(*lasso), screen.scale, screen.height) : QRect();
    std::optional<ScreenImageFile::Region> pixels;
    {
        // A folder of its own, made with mode 0700 under a unique name: no other
        // user can plant or link the file, and captures running at once never
        // share it. Removed with its content when this scope ends, whatever
        // happened.
        QTemporaryDir folder(QDir(captureFolderBase()).filePath(QStringLiteral("scrapwick_cap_XXXXXX")));
        if (folder.isValid() && !isCancelled()) {
            const QString file
                = folder.filePath(QStringLiteral("scrapwick_cap_%1.png").arg(QDateTime::currentSecsSinceEpoch()));
            QProcess helper;
            helper.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            helper.start(program, helperArguments(screen.helperArea, file));
            // The exit status is not trusted: the file either holds an image or not.
            const QDeadlineTimer deadline(helperTimeoutMs);
            if (helper.waitForStarted()) {
                while (!helper.waitForFinished(cancelPollMs) && helper.state() != QProcess::NotRunning) {
                    if (deadline.hasExpired() || isCancelled()) {
                        helper.kill();
                        helper.waitForFinished();
                        break;
                    }
                }
            }
            if (!isCancelled())
                pixels = ScreenImageFile::read(file, wanted);
        }
    }
    if (isCancelled())
        return std::nullopt;
    if (!pixels || pixels->screenSize.isEmpty()) {
        Log::line(QStringLiteral("screencapture failed"));
        return std::nullopt;
    }
    if (!lasso)
        return std::nullopt;
    return cutOut(pixels->pixels, pixels->rect, pixels->screenSize, *lasso, screen);
}

CutoutResult CapturePipeline::cutOut(const QImage& part, const QRect& partRect, const QSize& screenSize,
    const QPainterPath& lasso, const CaptureScreen& screen)
{
    CutoutResult result = CutoutExtraction::extract(part, partRect, screenSize, lasso, screen.scale, screen.height);
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
