#include "gallery_ui/GalleryMenuOverlay.h"

#include "gallery_ui/GalleryMenuGeometry.h"
#include "ui/MenuItemRow.h"
#include "ui/Theme.h"

#include <QMouseEvent>
#include <QPainter>

#include <cmath>

GalleryMenuOverlay::GalleryMenuOverlay(const Theme& theme, std::function<void()> onDismiss, QWidget* parent)
    : QWidget(parent)
    , m_theme(theme)
    , m_onDismiss(std::move(onDismiss))
{
    setObjectName(QStringLiteral("GalleryMenu"));
}

void GalleryMenuOverlay::showMenu(const QList<Row>& rows, const QRectF& menuRect)
{
    qDeleteAll(m_rows);
    m_rows.clear();
    m_menuRect = QRect(int(std::lround(menuRect.x())), int(std::lround(menuRect.y())), int(menuRect.width()),
        int(std::lround(menuRect.height())));
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

void GalleryMenuOverlay::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    // The layer under the menu is almost invisible, but catches every click.
    painter.fillRect(rect(), QColor(0, 0, 0, 1));
    painter.fillRect(m_menuRect, m_theme.palette().paper);
    painter.setPen(QPen(m_theme.palette().ink, 1));
    painter.drawRect(QRectF(m_menuRect).adjusted(0.5, 0.5, -0.5, -0.5));
}

void GalleryMenuOverlay::mousePressEvent(QMouseEvent* event)
{
    if (!m_menuRect.contains(event->position().toPoint()))
        m_onDismiss();
}
