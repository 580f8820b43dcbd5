#include "moodboard_ui/CanvasExport.h"

#include "canvas/CanvasRendering.h"
#include "canvas/CanvasStore.h"
#include "gallery/GalleryStore.h"
#include "platform/AtomicFile.h"
#include "platform/FilePanels.h"
#include "platform/Log.h"
#include "platform/MainQueue.h"

#include <QDateTime>
#include <QPointer>

namespace {

std::optional<QByteArray> renderedPng(const CanvasStore& store)
{
    const std::optional<QRectF> bounds = store.contentBounds();
    const std::optional<QImage> image = bounds ? store.renderImage(*bounds) : std::nullopt;
    if (!image)
        return std::nullopt;
    return CanvasRendering::pngData(*image).value_or(QByteArray());
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

void CanvasExport::download()
{
    const std::optional<QByteArray> png = renderedPng(m_canvasStore);
    if (!png) {
        Log::line(QStringLiteral("[Export] render failed"));
        return;
    }
    if (png->isEmpty()) {
        Log::line(QStringLiteral("[Export] PNG conversion failed"));
        return;
    }
    SavePanelRequest request;
    request.suggestedFileName = QStringLiteral("Scrapwick_Canvas_")
        + QString::number(QDateTime::currentSecsSinceEpoch()) + QStringLiteral(".png");
    request.mimeTypeFilters = { QStringLiteral("image/png") };
    request.defaultSuffix = QStringLiteral("png");
    m_filePanels.runSavePanel(request, [bytes = *png](std::optional<QString> path) {
        if (!path || path->isEmpty())
            return;
        if (const std::optional<QString> error = AtomicFile::write(*path, bytes))
            Log::line(QStringLiteral("[Export] Failed to save ") + *path + QStringLiteral(": ") + *error);
        else
            Log::line(QStringLiteral("[Export] saved to ") + *path);
    });
}

void CanvasExport::saveToCollages()
{
    const std::optional<QByteArray> png = renderedPng(m_canvasStore);
    if (!png) {
        Log::line(QStringLiteral("[Gallery] render failed"));
        return;
    }
    if (png->isEmpty()) {
        Log::line(QStringLiteral("[Gallery] PNG conversion failed"));
        return;
    }
    CollageItem item { QUuid::createUuid(), *png, QDateTime::currentDateTime() };
    MainQueue::async(this, [this, item] {
        m_galleryStore.addCollage(item);
        m_showToast(QStringLiteral("Saved to Collages!"));
    });
}
