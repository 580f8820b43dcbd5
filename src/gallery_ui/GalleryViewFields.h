#pragma once

#include "gallery/GalleryItems.h"

#include <QList>
#include <QPointF>
#include <QSet>
#include <QUuid>

#include <optional>

// What the gallery view remembers between paints: the section shown, select
// mode and the selection, the open menu and confirmation, the scroll position
// and a running marquee. It lives as long as the window, so hiding and showing
// keeps all of it.
struct GalleryViewFields {
    GallerySection selectedSection = GallerySection::cutouts;
    std::optional<QUuid> contextMenuItemId;
    bool isSelectMode = false;
    QSet<QUuid> selectedItemIDs;
    std::optional<QUuid> deleteConfirmItemId;
    bool showBatchDeleteConfirm = false;
    bool dontShowAgain = false;
    qreal contentOffset = 0;
    qreal contentHeight = 321;
    std::optional<QPointF> marqueeStart;
    std::optional<QPointF> marqueeCurrent;

    // A new section is shown from its top; select mode and the selection stay.
    void selectSection(GallerySection section);
    // Leaving select mode forgets the selection.
    void toggleSelectMode();
    void toggleSelected(const QUuid& id);
    // The marquee only ever adds.
    void addToSelection(const QList<QUuid>& ids);
    void closeMenu() { contextMenuItemId.reset(); }
    [[nodiscard]] bool isConfirmingDelete() const { return showBatchDeleteConfirm || deleteConfirmItemId.has_value(); }
};
