#include "gallery_ui/GalleryViewFields.h"

void GalleryViewFields::selectSection(GallerySection section)
{
    if (section != selectedSection)
        contentOffset = 0;
    selectedSection = section;
}

void GalleryViewFields::toggleSelectMode()
{
    isSelectMode = !isSelectMode;
    if (!isSelectMode)
        selectedItemIDs.clear();
}

void GalleryViewFields::toggleSelected(const QUuid& id)
{
    if (!selectedItemIDs.remove(id))
        selectedItemIDs.insert(id);
}

void GalleryViewFields::addToSelection(const QList<QUuid>& ids)
{
    for (const QUuid& id : ids)
        selectedItemIDs.insert(id);
}
