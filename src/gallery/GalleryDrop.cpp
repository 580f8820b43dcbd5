#include "gallery/GalleryDrop.h"

#include "platform/Uuids.h"

#include <QStringList>

std::optional<GalleryDrop> parseGalleryDrop(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() != 2)
        return std::nullopt;
    const std::optional<QUuid> id = Uuids::parseStrict(parts[0]);
    if (!id || (parts[1] != QLatin1String("cutouts") && parts[1] != QLatin1String("collages")))
        return std::nullopt;
    return GalleryDrop { *id, parts[1] };
}
