#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>

#include <optional>
#include <utility>

// The thumbnail grid: n columns of 125-point cells, 30 points apart, centred
// in the grid area; rows 30 points apart, each as tall as its tallest cell,
// below 40 points of padding. Positions are in the grid's content
// coordinates: x from the grid area's left edge, y from the top of the
// content (scrolling subtracts the offset). Only row tops are kept, so asking
// which cells lie in a band of the content costs a binary search, whatever the
// number of items.
class GalleryGridLayout {
public:
    static constexpr qreal columnWidth = 125;
    static constexpr qreal columnSpacing = 30;
    static constexpr qreal rowSpacing = 30;
    static constexpr qreal topPadding = 40;
    static constexpr qreal sidePadding = 18;
    static constexpr qreal maxCellHeight = 180;

    // n = max(3, (W - 66) / 155 rounded down) for a card W points wide.
    [[nodiscard]] static int columnCount(qreal cardWidth);
    // The shown size of an image of `imageSize` in a cell: the column's width,
    // unless that would make it taller than 180 points, in which case it is
    // 180 high and narrower. Nothing (not loaded yet): the 125 x 125 placeholder.
    [[nodiscard]] static QSizeF cellSize(std::optional<QSizeF> imageSize);
    // The largest scroll offset for content of `contentHeight` in a viewport.
    [[nodiscard]] static qreal maxOffset(qreal contentHeight, qreal viewportHeight);
    // Wheel movement `delta` (positive towards the top) applied to `offset`.
    [[nodiscard]] static qreal offsetAfterWheel(qreal offset, qreal delta, qreal maxOffset);

    // `cellHeights` holds every item's cell height in list order.
    void rebuild(qreal cardWidth, const QList<qreal>& cellHeights);
    // One item's height changed (its thumbnail arrived): only its row and the
    // rows below move.
    void setCellHeight(qsizetype index, qreal height);

    [[nodiscard]] int columns() const { return m_columns; }
    [[nodiscard]] qsizetype itemCount() const { return m_cellHeights.size(); }
    [[nodiscard]] qsizetype rowCount() const { return m_rowTops.size(); }
    // Padding included; 40 for an empty grid.
    [[nodiscard]] qreal contentHeight() const { return m_contentHeight; }
    // The cell's frame: column-wide, as tall as its image, centred in its row.
    [[nodiscard]] QRectF cellFrame(qsizetype index) const;
    // Rows overlapping content y in [top, bottom), as [first, last); empty when none.
    [[nodiscard]] std::pair<qsizetype, qsizetype> rowsBetween(qreal top, qreal bottom) const;
    // Items of those rows, as [first, last) indices.
    [[nodiscard]] std::pair<qsizetype, qsizetype> itemsBetween(qreal top, qreal bottom) const;
    // The item whose cell contains `point`, if any.
    [[nodiscard]] std::optional<qsizetype> itemAt(QPointF point) const;
    // Every item whose cell intersects `area` (a rectangle of positive size).
    [[nodiscard]] QList<qsizetype> itemsIntersecting(const QRectF& area) const;

private:
    void recomputeRowsFrom(qsizetype row);
    [[nodiscard]] qreal rowHeight(qsizetype row) const;

    int m_columns = 3;
    qreal m_left = sidePadding;
    QList<qreal> m_cellHeights;
    QList<qreal> m_rowTops;
    QList<qreal> m_rowHeights;
    qreal m_contentHeight = topPadding;
};
