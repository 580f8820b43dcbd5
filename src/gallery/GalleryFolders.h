#pragma once

#include "gallery/GalleryItems.h"

#include <QString>
#include <QUuid>

// Where the gallery keeps its files inside the "Scrapwick" data folder: one
// folder per section holding "<ID>.png" files, and "gallery-index.json".
struct GalleryFolders {
    QString cutouts;
    QString collages;
    QString index;

    [[nodiscard]] static GalleryFolders inside(const QString& rootFolder);

    // Renames an old "moodboards" folder to "collages" (left alone if that
    // fails, for example because "collages" exists too) and creates both image
    // folders. Failures show up later as failed writes.
    void prepare(const QString& rootFolder) const;

    [[nodiscard]] QString folderOf(GallerySection section) const;
    // The id is always written upper-case, so a file name never depends on how
    // an id was spelled.
    [[nodiscard]] QString imagePath(GallerySection section, const QUuid& id) const;
};
