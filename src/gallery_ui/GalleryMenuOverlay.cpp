#include "gallery_ui/GalleryMenuOverlay.h"

#include "gallery_ui/GalleryMenuGeometry.h"
#include "ui/MenuItemRow.h"
#include "ui/Theme.h"

#include <cmath>

GalleryMenuOverlay::GalleryMenuOverlay(const Theme& theme, std::function<void()> onDismiss, QWidget* parent)
    // The layer under the menu is almost invisible, but catches every click.
    : PopupLayer(theme, QColor(0, 0, 0, 1), true, std::move(onDismiss), parent)
    , m_theme(theme)
{
    setObjectName(QStringLiteral("GalleryMenu"));
}

void GalleryMenuOverlay::showMenu(const QList<Row>& rows, const QRectF& menuRect)
{
    qDeleteAll(m_rows);
    m_rows.clear();
    m_menuRect = QRect(int(std::lround(menuRect.x())), int(std::lround(menuRect.y())), int(menuRect.width()),
        int(std::lround(menuRect.height())));
    setPopupRect(QRectF(m_menuRect));
    // The rows are centred in the menu, inside its outline.
    const qreal rowsHeight = rows.size() * GalleryMenuGeometry::rowHeight;
    int top = m_menuRect.top() + int(std::lround((m_menuRect.height() - rowsHeight) / 2));
    for (const Row& row : rows) {
        auto* item = new MenuItemRow(m_theme, row.label, 13, 12, GalleryMenuGeometry::rowHeight, this);
        item->setEnabled(!row.disabled);
        item->setGeometry(m_menuRect.left() + 1, top, m_menuRect.width() - 2, int(GalleryMenuGeometry::rowHeight));
        connect(item, &MenuItemRow::clicked, this, [action = row.action] { action(); });
        item->show();
        m_rows.append(item);
        top += int(GalleryMenuGeometry::rowHeight);
    }
    show();
    raise();
    update();
}
