#pragma once

#include <QObject>

#include <functional>

class CanvasStore;
class FilePanels;
class GalleryStore;

// Takes the finished board out of the app, from the save menu: "Download"
// writes it as a PNG file where the user chooses, "Save to Collages" adds it
// to the gallery's collages. Both render the area the layers cover at three
// pixels per canvas point on a transparent background.
class CanvasExport : public QObject {
    Q_OBJECT

public:
    CanvasExport(CanvasStore& canvasStore, GalleryStore& galleryStore, FilePanels& filePanels,
        std::function<void(const QString&)> showToast, QObject* parent = nullptr);

    void download();
    void saveToCollages();

private:
    CanvasStore& m_canvasStore;
    GalleryStore& m_galleryStore;
    FilePanels& m_filePanels;
    std::function<void(const QString&)> m_showToast;
};
