#include "gallery/ImageImporter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>

#include <libheif/heif.h>

#include <functional>
#include <memory>

namespace {

// HEIF pictures start with an ISO box header; libheif tells from the first bytes.
bool looksLikeHeif(const QByteArray& head)
{
    const auto verdict
        = heif_check_filetype(reinterpret_cast<const uint8_t*>(head.constData()), static_cast<int>(head.size()));
    return verdict == heif_filetype_yes_supported || verdict == heif_filetype_yes_unsupported;
}

QByteArray firstBytesOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.read(12) : QByteArray();
}

// QImageReader refuses a picture whose image would need more than its
// allocation limit, counting at least 4 bytes a pixel; HEIC pictures and
// pictures handed over decoded get the same budget.
bool withinAllocationLimit(int width, int height)
{
    const qint64 limitMegabytes = QImageReader::allocationLimit();
    return width > 0 && height > 0 && (limitMegabytes == 0 || qint64(width) * height <= limitMegabytes << 18);
}

// `read` fills the context from a file or from memory.
QImage decodeHeif(const std::function<heif_error(heif_context*)>& read)
{
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(), heif_context_free);
    if (!context || read(context.get()).code != heif_error_Ok)
        return {};

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return {};
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        rawHandle, heif_image_handle_release);
    // The header's sizes, checked before anything is decoded: as shown, and as
    // coded before cropping and rotation.
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

QImage decodeWithQt(QImageReader& reader)
{
    reader.setAutoTransform(true);
    return reader.read();
}

std::optional<QByteArray> pngDataFromImage(const QImage& image)
{
    if (image.isNull() || !withinAllocationLimit(image.width(), image.height()))
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG") || png.isEmpty())
        return std::nullopt;
    return png;
}

} // namespace

namespace ImageImporter {

std::optional<QByteArray> pngDataFromFile(const QString& path)
{
    if (looksLikeHeif(firstBytesOf(path))) {
        const QByteArray nativePath = QFile::encodeName(path);
        return pngDataFromImage(decodeHeif([&nativePath](heif_context* context) {
            return heif_context_read_from_file(context, nativePath.constData(), nullptr);
        }));
    }
    QImageReader reader(path);
    return pngDataFromImage(decodeWithQt(reader));
}

std::optional<QByteArray> pngDataFromBytes(const QByteArray& bytes)
{
    if (looksLikeHeif(bytes.left(12))) {
        return pngDataFromImage(decodeHeif([&bytes](heif_context* context) {
            return heif_context_read_from_memory_without_copy(
                context, bytes.constData(), size_t(bytes.size()), nullptr);
        }));
    }
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return std::nullopt;
    QImageReader reader(&buffer);
    return pngDataFromImage(decodeWithQt(reader));
}

std::optional<QByteArray> pngData(const ImportSource& source)
{
    if (const auto* path = std::get_if<QString>(&source.picture))
        return pngDataFromFile(*path);
    if (const auto* bytes = std::get_if<QByteArray>(&source.picture))
        return pngDataFromBytes(*bytes);
    return pngDataFromImage(std::get<QImage>(source.picture));
}

} // namespace ImageImporter
