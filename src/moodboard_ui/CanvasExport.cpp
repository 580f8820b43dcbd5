#include "moodboard_ui/CanvasExport.h"

#include "canvas/CanvasRendering.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/AtomicFile.h"
#include "platform/FilePanels.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <QCursor>
#include <QFutureWatcher>
#include <QGuiApplication>
#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QtConcurrent>

namespace {

enum class RenderFailure { none, render, encode };

struct Rendered {
    RenderFailure failure = RenderFailure::none;
    QByteArray png;
};

Rendered renderPng(const QList<Layer>& layers, const QRectF& area)
{
    const std::optional<QImage> image = CanvasRendering::renderImage(layers, area, CanvasStore::exportScale);
    if (!image)
        return { RenderFailure::render, {} };
    std::optional<QByteArray> png = CanvasRendering::pngData(*image);
    if (!png)
        return { RenderFailure::encode, {} };
    return { RenderFailure::none, std::move(*png) };
}

} // namespace

CanvasExport::CanvasExport(CanvasStore& canvasStore, GalleryStore& galleryStore, FilePanels& filePanels,
    std::function<void(const QString&)> showToast, QObject* parent)
    : QObject(parent)
    , m_canvasStore(canvasStore)
    , m_galleryStore(galleryStore)
    , m_filePanels(filePanels)
    , m_showToast(std::move(showToast))
{
}

CanvasExport::~CanvasExport()
{
    setBusy(false);
}

QString CanvasExport::suggestedFileName(const QDateTime& now)
{
    return QStringLiteral("Scrapwick_Canvas_") + QString::number(now.toSecsSinceEpoch()) + QStringLiteral(".png");
}

void CanvasExport::download()
{
    render(QStringLiteral("[Export]"), [this](const QByteArray& png) {
        SavePanelRequest request;
        request.title = QStringLiteral("Download");
        request.suggestedFileName = suggestedFileName(QDateTime::currentDateTimeUtc());
        request.mimeTypeFilters = { QStringLiteral("image/png") };
        request.defaultSuffix = QStringLiteral("png");
        // Where the gallery's downloads go too.
        request.directory = QStandardPaths::standardLocations(QStandardPaths::DownloadLocation).value(0);
        m_filePanels.runSavePanel(request, [png](std::optional<QString> path) {
            if (!path || path->isEmpty())
                return;
            // The user believes the board is saved; a write that fails must say so.
            if (const std::optional<QString> error = AtomicFile::write(*path, png))
                Log::line(QStringLiteral("[Export] Failed to save ") + *path + QStringLiteral(": ") + *error);
            else
                Log::line(QStringLiteral("[Export] saved to ") + *path);
        });
    });
}

void CanvasExport::saveToCollages()
{
    render(QStringLiteral("[Gallery]"), [this](const QByteArray& png) {
        const CollageItem item { QUuid::createUuid(), png, QDateTime::currentDateTime() };
        MainQueue::async(this, [this, item] {
            m_galleryStore.addCollage(item);
            m_showToast(QStringLiteral("Saved to Collages!"));
        });
    });
}

void CanvasExport::render(const QString& tag, std::function<void(const QByteArray&)> done)
{
    const std::optional<QRectF> bounds = m_canvasStore.contentBounds();
    if (!bounds) {
        Log::line(tag + QStringLiteral(" render failed"));
        return;
    }
    // The worker has its own copy of the layers (their bytes are shared, not
    // copied); the board may change meanwhile without touching it. If this
    // object goes first, the watcher goes with it and the result is dropped.
    auto* watcher = new QFutureWatcher<Rendered>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, tag, done = std::move(done)] {
        const Rendered rendered = watcher->result();
        watcher->deleteLater();
        if (--m_running == 0)
            setBusy(false);
        if (rendered.failure == RenderFailure::render)
            Log::line(tag + QStringLiteral(" render failed"));
        else if (rendered.failure == RenderFailure::encode)
            Log::line(tag + QStringLiteral(" PNG conversion failed"));
        else
            done(rendered.png);
    });
    ++m_running;
    QTimer::singleShot(busyCursorDelayMs, this, [this] { setBusy(m_running > 0); });
    watcher->setFuture(
        QtConcurrent::run([layers = m_canvasStore.layers(), area = *bounds] { return renderPng(layers, area); }));
}

void CanvasExport::setBusy(bool busy)
{
    if (busy == m_busyCursorShown)
        return;
    m_busyCursorShown = busy;
    if (busy)
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QGuiApplication::restoreOverrideCursor();
}
