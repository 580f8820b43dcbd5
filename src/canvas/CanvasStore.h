#pragma once

#include <QObject>

class GalleryStore;

// The mood board's model. For now it only holds on to the gallery store, which
// it will read layer images from.
class CanvasStore : public QObject
{
    Q_OBJECT

public:
    explicit CanvasStore(GalleryStore& galleryStore, QObject* parent = nullptr);

private:
    GalleryStore& m_galleryStore;
};
