#pragma once

#include "gallery/GalleryItems.h"

#include <QDateTime>
#include <QUuid>

#include <optional>

class GalleryStore;

// Reads one section's list of the store without copying it: the two lists
// hold different item types with the same fields.
namespace GalleryListing {

[[nodiscard]] qsizetype count(const GalleryStore& store, GallerySection section);
[[nodiscard]] QUuid idAt(const GalleryStore& store, GallerySection section, qsizetype index);
[[nodiscard]] QDateTime createdAt(const GalleryStore& store, GallerySection section, qsizetype index);
[[nodiscard]] std::optional<qsizetype> indexOf(const GalleryStore& store, GallerySection section, const QUuid& id);

} // namespace GalleryListing
