#include "gallery_ui/GalleryGridLayout.h"

#include <algorithm>
#include <cmath>

int GalleryGridLayout::columnCount(qreal cardWidth)
{
    const qreal usable = cardWidth - 32 - 28 - 6;
    return std::max(3, int(std::floor(usable / (columnWidth + columnSpacing))));
}

QSizeF GalleryGridLayout::cellSize(std::optional<QSizeF> imageSize)
{
    if (!imageSize || imageSize->width() <= 0 || imageSize->height() <= 0)
        return { columnWidth, columnWidth };
    const qreal w = imageSize->width();
    const qreal h = imageSize->height();
    if (h * columnWidth / w > maxCellHeight)
        return { w * maxCellHeight / h, maxCellHeight };
    return { columnWidth, h * columnWidth / w };
}

qreal GalleryGridLayout::maxOffset(qreal contentHeight, qreal viewportHeight)
{
    return std::max(contentHeight - viewportHeight, 0.0);
}

qreal GalleryGridLayout::offsetAfterWheel(qreal offset, qreal delta, qreal maxOffset)
{
    const qreal moved = offset - delta;
    return moved < 0 ? 0 : std::min(moved, maxOffset);
}

void GalleryGridLayout::rebuild(qreal cardWidth, const QList<qreal>& cellHeights)
{
    m_columns = columnCount(cardWidth);
    // The columns are centred in what the grid area leaves inside its padding
    // (W - 96 points; the grid area is W - 60 wide).
    const qreal inner = cardWidth - 60 - 2 * sidePadding;
    const qreal gridWidth = m_columns * columnWidth + (m_columns - 1) * columnSpacing;
    m_left = sidePadding + (inner - gridWidth) / 2;
    m_cellHeights = cellHeights;
    const qsizetype rows = (m_cellHeights.size() + m_columns - 1) / m_columns;
    m_rowTops.resize(rows);
    m_rowHeights.resize(rows);
    for (qsizetype row = 0; row < rows; ++row)
        m_rowHeights[row] = rowHeight(row);
    recomputeRowsFrom(0);
}

void GalleryGridLayout::setCellHeight(qsizetype index, qreal height)
{
    if (index < 0 || index >= m_cellHeights.size() || m_cellHeights[index] == height)
        return;
    m_cellHeights[index] = height;
    const qsizetype row = index / m_columns;
    const qreal newHeight = rowHeight(row);
    if (newHeight == m_rowHeights[row])
        return;
    m_rowHeights[row] = newHeight;
    recomputeRowsFrom(row);
}

qreal GalleryGridLayout::rowHeight(qsizetype row) const
{
    const qsizetype first = row * m_columns;
    const qsizetype last = std::min(first + m_columns, m_cellHeights.size());
    return *std::max_element(m_cellHeights.cbegin() + first, m_cellHeights.cbegin() + last);
}

void GalleryGridLayout::recomputeRowsFrom(qsizetype row)
{
    qreal top = row == 0 ? topPadding : m_rowTops[row - 1] + m_rowHeights[row - 1] + rowSpacing;
    for (qsizetype r = row; r < m_rowTops.size(); ++r) {
        m_rowTops[r] = top;
        top += m_rowHeights[r] + rowSpacing;
    }
    m_contentHeight = m_rowTops.isEmpty() ? topPadding : m_rowTops.last() + m_rowHeights.last();
}

QRectF GalleryGridLayout::cellFrame(qsizetype index) const
{
    const qsizetype row = index / m_columns;
    const qsizetype column = index % m_columns;
    const qreal height = m_cellHeights[index];
    const qreal top = m_rowTops[row] + (m_rowHeights[row] - height) / 2;
    return { m_left + column * (columnWidth + columnSpacing), top, columnWidth, height };
}

std::pair<qsizetype, qsizetype> GalleryGridLayout::rowsBetween(qreal top, qreal bottom) const
{
    if (m_rowTops.isEmpty() || bottom <= top)
        return { 0, 0 };
    // The first row whose bottom lies below `top`, and the first row starting at or below `bottom`.
    const auto firstRow = std::upper_bound(m_rowTops.cbegin(), m_rowTops.cend(), top) - m_rowTops.cbegin();
    qsizetype first = std::max<qsizetype>(firstRow - 1, 0);
    if (m_rowTops[first] + m_rowHeights[first] <= top)
        ++first;
    const qsizetype last = std::lower_bound(m_rowTops.cbegin(), m_rowTops.cend(), bottom) - m_rowTops.cbegin();
    return { first, std::max(first, last) };
}

std::pair<qsizetype, qsizetype> GalleryGridLayout::itemsBetween(qreal top, qreal bottom) const
{
    const auto [first, last] = rowsBetween(top, bottom);
    return { first * m_columns, std::min(last * m_columns, m_cellHeights.size()) };
}

std::optional<qsizetype> GalleryGridLayout::itemAt(QPointF point) const
{
    const auto [first, last] = itemsBetween(point.y(), point.y() + 0.001);
    for (qsizetype index = first; index < last; ++index) {
        if (cellFrame(index).contains(point))
            return index;
    }
    return std::nullopt;
}

QList<qsizetype> GalleryGridLayout::itemsIntersecting(const QRectF& area) const
{
    QList<qsizetype> found;
    const auto [first, last] = itemsBetween(area.top(), area.bottom() + 0.001);
    for (qsizetype index = first; index < last; ++index) {
        if (cellFrame(index).intersects(area))
            found.append(index);
    }
    return found;
}
