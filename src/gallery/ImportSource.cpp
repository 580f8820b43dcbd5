#include "gallery/ImportSource.h"

#include <QFileInfo>

ImportSource ImportSource::file(const QString& path)
{
    return { path, QFileInfo(path).fileName() };
}
