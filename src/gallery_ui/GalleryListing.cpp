#include "gallery_ui/GalleryListing.h"

#include "gallery/GalleryStore.h"

namespace GalleryListing {

qsizetype count(const GalleryStore& store, GallerySection section)
{
    return section == GallerySection::cutouts ? store.cutouts().size() : store.collages().size();
}

QUuid idAt(const GalleryStore& store, GallerySection section, qsizetype index)
{
    return section == GallerySection::cutouts ? store.cutouts().at(index).id : store.collages().at(index).id;
}

QDateTime createdAt(const GalleryStore& store, GallerySection section, qsizetype index)
{
    return section == GallerySection::cutouts ? store.cutouts().at(index).createdAt
                                              : store.collages().at(index).createdAt;
}

std::optional<qsizetype> indexOf(const GalleryStore& store, GallerySection section, const QUuid& id)
{
    const auto find = [&id](const auto& list) -> std::optional<qsizetype> {
        for (qsizetype index = 0; index < list.size(); ++index) {
            if (list[index].id == id)
                return index;
        }
        return std::nullopt;
    };
    return section == GallerySection::cutouts ? find(store.cutouts()) : find(store.collages());
}

} // namespace GalleryListing
