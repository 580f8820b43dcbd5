#include "app/ImageImporter.h"

#include "platform/MainQueue.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPointer>
#include <QThreadPool>

#include <libheif/heif.h>

#include <memory>

namespace {

// HEIF files start with an ISO box header; libheif tells from its first bytes.
bool looksLikeHeif(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(12);
    const auto verdict
        = heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), static_cast<int>(head.size()));
    return verdict == heif_filetype_yes_supported || verdict == heif_filetype_yes_unsupported;
}

// QImageReader refuses a picture whose image would need more than its
// allocation limit, counting at least 4 bytes a pixel; HEIC pictures get the
// same budget, checked before anything is decoded.
bool withinAllocationLimit(int width, int height)
{
    const qint64 limitMegabytes = QImageReader::allocationLimit();
    return width > 0 && height > 0 && (limitMegabytes == 0 || qint64(width) * height <= limitMegabytes << 18);
}

QImage decodeHeif(const QString& path)
{
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (!context)
        return {};
    const QByteArray nativePath = QFile::encodeName(path);
    if (heif_context_read_from_file(context.get(), nativePath.constData(), nullptr).code != heif_error_Ok)
        return {};

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        rawHandle, heif_image_handle_release);
    // The header's sizes: as shown, and as coded before cropping and rotation.
    if (!withinAllocationLimit(heif_image_handle_get_width(handle.get()), heif_image_handle_get_height(handle.get()))
        || !withinAllocationLimit(
            heif_image_handle_get_ispe_width(handle.get()), heif_image_handle_get_ispe_height(handle.get())))
        return {};

    const bool hasAlpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    heif_image* rawImage = nullptr;
    // libheif applies the file's rotation and mirroring while decoding.
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
            hasAlpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, nullptr)
            .code
        != heif_error_Ok)
        return {};
    std::unique_ptr<heif_image, decltype(&heif_image_release)> image(rawImage, heif_image_release);

    int stride = 0;
    const uint8_t* pixels = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int width = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int height = heif_image_get_height(image.get(), heif_channel_interleaved);
    const int channels = hasAlpha ? 4 : 3;
    if (!pixels || width <= 0 || height <= 0 || stride < width * channels)
        return {};
    // The picture is read in place; libheif's buffer goes with the last copy of the QImage.
    return QImage(
        pixels, width, height, stride, hasAlpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888,
        [](void* decoded) { heif_image_release(static_cast<heif_image*>(decoded)); }, image.release());
}

QImage decodeWithQt(const QString& path)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    return reader.read();
}

} // namespace

namespace ImageImporter {

std::optional<QByteArray> pngDataFromFile(const QString& path)
{
    const QImage image = looksLikeHeif(path) ? decodeHeif(path) : decodeWithQt(path);
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG") || png.isEmpty())
        return std::nullopt;
    return png;
}

ImportResult convert(const QStringList& paths)
{
    ImportResult result;
    for (const QString& path : paths) {
        if (std::optional<QByteArray> png = pngDataFromFile(path))
            result.images.append({ QUuid::createUuid(), std::move(*png) });
        else
            result.failedNames.append(QFileInfo(path).fileName());
    }
    return result;
}

void convertInBackground(
    const QStringList& paths, const QObject* receiver, std::function<void(const ImportResult&)> completion)
{
    // The application object outlives every receiver, so the hand-back always
    // has a live context; the receiver itself is checked on the main thread.
    QPointer<const QObject> weakReceiver(receiver);
    QThreadPool::globalInstance()->start([paths, weakReceiver, completion = std::move(completion)]() mutable {
        ImportResult result = convert(paths);
        MainQueue::async(QCoreApplication::instance(),
            [weakReceiver, completion = std::move(completion), result = std::move(result)]() {
                if (weakReceiver)
                    completion(result);
            });
    });
}

} // namespace ImageImporter
