#pragma once

#include <QString>
#include <QUuid>

#include <optional>

// What a cell dragged out of the gallery carries as plain text: "<item id>:<section>",
// the section "cutouts" or "collages". The mood board adds the item as a layer;
// the gallery itself recognises its own drag by it and does not import it again.
struct GalleryDrop {
    QUuid itemId;
    QString section;
};

// Anything but exactly an id, a colon and a section name gives nothing.
[[nodiscard]] std::optional<GalleryDrop> parseGalleryDrop(const QString& text);
