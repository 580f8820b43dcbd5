#include "platform/StorageLocation.h"

#include <QDir>
#include <QStandardPaths>

namespace StorageLocation {

QString scrapwickFolder()
{
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    if (base.isEmpty())
        return {};
    return QDir(base).filePath(QStringLiteral("Scrapwick"));
}

} // namespace StorageLocation
