#include "gallery/GalleryItems.h"

QString sectionName(GallerySection section)
{
    switch (section) {
    case GallerySection::cutouts:
        return QStringLiteral("cutouts");
    case GallerySection::collages:
        return QStringLiteral("collages");
    }
    Q_UNREACHABLE();
}
