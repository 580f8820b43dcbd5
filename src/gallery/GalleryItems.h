#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QUuid>

#include <array>
#include <optional>

// One cut-out: a transparent PNG made by the lasso or by importing a file.
// `imageData` is present only for items created during this run; items read
// back from the index are served from their files.
struct ClipItem {
    QUuid id;
    std::optional<QByteArray> imageData;
    QDateTime createdAt;
};

// One collage rendered from the mood board. Kept distinct from ClipItem: each
// section has its own list and its own folder.
struct CollageItem {
    QUuid id;
    std::optional<QByteArray> imageData;
    QDateTime createdAt;
};

enum class GallerySection { cutouts, collages };

inline constexpr std::array<GallerySection, 2> allGallerySections { GallerySection::cutouts, GallerySection::collages };

// "cutouts" or "collages": the section's name in the index and its folder's name.
[[nodiscard]] QString sectionName(GallerySection section);
