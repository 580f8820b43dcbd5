#pragma once

#include <QRectF>
#include <QSizeF>

// Where the fixed parts of the gallery sit on its card (the window less the
// 2-point strip at its right and bottom), in points from the card's top-left
// corner. The card is W x H.
struct GalleryChrome {
    static constexpr qreal titleBarHeight = 28;
    static constexpr qreal tabRowTop = 29;
    static constexpr qreal tabRowHeight = 24;
    static constexpr qreal tabLeading = 17;
    static constexpr qreal tabSpacing = 24;
    static constexpr qreal firstRuleTop = 53;
    static constexpr qreal secondRuleTop = 55;
    // The "Select" toggle: 9 points below the rules, 16 in from the right. Its
    // row is one small-label line (17 points) high.
    static constexpr qreal toggleTop = 65;
    static constexpr qreal toggleHeight = 17;
    static constexpr qreal toggleTrailing = 16;
    // The box around grid and scrollbar: 16 points below the status row, 16 in
    // from either side; the grid's viewport is 112 points shorter than the card.
    static constexpr qreal gridBoxTop = 98;
    static constexpr qreal gridBoxInset = 16;
    static constexpr qreal viewportInset = 112;
    static constexpr qreal scrollbarWidth = 28;

    qreal width = 0;
    qreal height = 0;

    [[nodiscard]] static GalleryChrome forCard(QSizeF card) { return { card.width(), card.height() }; }
    // The card of a `window`-sized window.
    [[nodiscard]] static QSizeF cardSize(QSizeF window) { return { window.width() - 2, window.height() - 2 }; }

    [[nodiscard]] qreal viewportHeight() const { return height - viewportInset; }
    // The black lines under the title bar and around the tabs' row: W - 2 wide.
    [[nodiscard]] QRectF ruleRect(qreal top) const { return { 1, top, width - 2, 1 }; }
    // Grid area and scrollbar together, with the black outline around them.
    [[nodiscard]] QRectF gridBox() const
    {
        return { gridBoxInset, gridBoxTop, width - 2 * gridBoxInset, viewportHeight() };
    }
    [[nodiscard]] QRectF gridArea() const
    {
        return { gridBoxInset, gridBoxTop, width - 2 * gridBoxInset - scrollbarWidth, viewportHeight() };
    }
    [[nodiscard]] QRectF scrollbar() const
    {
        return { width - gridBoxInset - scrollbarWidth, gridBoxTop, scrollbarWidth, viewportHeight() };
    }
};
