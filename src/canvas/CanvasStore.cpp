#include "canvas/CanvasStore.h"

CanvasStore::CanvasStore(GalleryStore& galleryStore, QObject* parent)
    : QObject(parent)
    , m_galleryStore(galleryStore)
{
}
