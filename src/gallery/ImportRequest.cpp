#include "gallery/ImportRequest.h"

#include "gallery/GalleryDrop.h"

#include <QMimeData>

#include <optional>

namespace {

const QString pngType = QStringLiteral("image/png");
// GNOME's file managers put copied files on the clipboard as "copy" or "cut"
// and then one address a line.
const QString gnomeCopiedFiles = QStringLiteral("x-special/gnome-copied-files");

bool isGalleryItem(const QMimeData& data)
{
    return data.hasText() && parseGalleryDrop(data.text()).has_value();
}

QList<QUrl> addressesIn(const QMimeData& data)
{
    if (data.hasUrls())
        return data.urls();
    QList<QUrl> urls;
    if (data.hasFormat(gnomeCopiedFiles)) {
        const QList<QByteArray> lines = data.data(gnomeCopiedFiles).split('\n');
        for (qsizetype i = 1; i < lines.size(); ++i)
            urls.append(QUrl::fromEncoded(lines[i].trimmed()));
    }
    return urls;
}

std::optional<QString> imageType(const QMimeData& data)
{
    const QStringList formats = data.formats();
    if (formats.contains(pngType))
        return pngType;
    for (const QString& format : formats) {
        if (format.startsWith(QLatin1String("image/")))
            return format;
    }
    return std::nullopt;
}

std::optional<ImportSource> pictureIn(const QMimeData& data, const QString& name)
{
    if (const std::optional<QString> type = imageType(data)) {
        const QByteArray bytes = data.data(*type);
        if (!bytes.isEmpty())
            return ImportSource { bytes, name };
    }
    // Within one program Qt hands a copied or dragged image over as a QImage only.
    if (data.hasImage()) {
        const QImage image = qvariant_cast<QImage>(data.imageData());
        if (!image.isNull())
            return ImportSource { image, name };
    }
    return std::nullopt;
}

bool isThisMachine(const QUrl& url)
{
    return url.host().isEmpty() || url.host().compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0;
}

} // namespace

ImportRequest ImportRequest::fromFiles(const QStringList& paths)
{
    ImportRequest request;
    for (const QString& path : paths)
        request.sources.append(ImportSource::file(path));
    return request;
}

ImportRequest ImportRequest::fromUrls(const QList<QUrl>& urls)
{
    ImportRequest request;
    for (const QUrl& url : urls) {
        // Relative text (a comment line, a bare name) names no place, nor does a
        // file address without a whole path; a "data:" address is not somewhere
        // else and would fill the log with its bytes.
        if (!url.isValid() || url.scheme().isEmpty() || url.scheme() == QLatin1String("data"))
            continue;
        if (!url.isLocalFile() || !isThisMachine(url))
            request.skippedRemoteUrls.append(url);
        else if (url.path().startsWith(QLatin1Char('/')))
            // Fully decoded: a file named "50%.png" or "a#b.png" arrives encoded.
            request.sources.append(ImportSource::file(url.path(QUrl::FullyDecoded)));
    }
    return request;
}

ImportRequest ImportRequest::fromMimeData(const QMimeData& data, const QString& dataName)
{
    if (isGalleryItem(data))
        return {};
    ImportRequest request = fromUrls(addressesIn(data));
    if (!request.sources.isEmpty())
        return request;
    if (std::optional<ImportSource> picture = pictureIn(data, dataName)) {
        request.sources.append(std::move(*picture));
        if (!request.skippedRemoteUrls.isEmpty())
            request.skippedRemoteUrls.removeFirst();
    }
    return request;
}

bool ImportRequest::mayHoldPictures(const QMimeData& data)
{
    if (isGalleryItem(data))
        return false;
    return data.hasUrls() || data.hasFormat(gnomeCopiedFiles) || data.hasImage() || imageType(data).has_value();
}
