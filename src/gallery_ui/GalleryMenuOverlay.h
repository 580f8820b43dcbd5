#pragma once

#include "ui/PopupLayer.h"

#include <QRectF>

#include <functional>

class MenuItemRow;
class Theme;

// A pop-up menu over the gallery's card: the shared pop-up layer (nearly
// transparent, closing the menu on a click outside it) with the white menu,
// its black outline and rows. `ContextMenuView` (one item) and
// `MultiSelectContextMenuView` (the selection) are this overlay with different rows.
class GalleryMenuOverlay : public PopupLayer {
    Q_OBJECT

public:
    struct Row {
        QString label;
        bool disabled = false;
        std::function<void()> action;
    };

    GalleryMenuOverlay(const Theme& theme, std::function<void()> onDismiss, QWidget* parent = nullptr);

    // Replaces the rows and places the menu at `menuRect` (card coordinates;
    // the overlay covers the card from its origin).
    void showMenu(const QList<Row>& rows, const QRectF& menuRect);
    [[nodiscard]] QRect menuGeometry() const { return m_menuRect; }

private:
    const Theme& m_theme;
    QList<MenuItemRow*> m_rows;
    QRect m_menuRect;
};
