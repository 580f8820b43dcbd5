#include "moodboard_ui/MoodBoardSideLayout.h"

#include "canvas/Layer.h"
#include "moodboard_ui/CanvasViewport.h"
#include "ui/ConfirmationDialogFrame.h"
#include "ui/ScrapwickDialogButtonStyle.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace MoodBoardSideLayout {

namespace {
constexpr double rowPitch = layerRowH + layerRowSpacing;
// The save menu's top, and so the bottom of the buttons it drops from: the
// canvas frame's bottom less 58 points, no lower than 472 however tall the card.
double saveMenuTop(double cardHeight)
{
    return std::min(CanvasViewport::canvasTopInset + cardHeight - CanvasViewport::frameHeightLoss, 502.0) + 3
        - saveMenuSize.height() / 2;
}
// The pair of buttons is centred under the toolbar, eight points apart.
constexpr double buttonPairCentre = toolbarOrigin.x() + toolbarWidth / 2;
constexpr double buttonPairGap = 8;
} // namespace

QRectF toolbarRect()
{
    return { toolbarOrigin, QSizeF(toolbarWidth, toolbarHeight) };
}

QRectF toolbarCell(ToolbarItem item)
{
    const int index = int(item);
    const double step = toolbarBlockSize - 1;
    return { toolbarOrigin.x() + toolbarBlockInsetX + (index % 2) * step,
        toolbarOrigin.y() + toolbarTopBarHeight + toolbarBlockInsetY + (index / 2) * step, toolbarBlockSize,
        toolbarBlockSize };
}

QRectF layerPanelRect()
{
    return { toolbarOrigin.x() + (toolbarWidth - layerPanelW) / 2, toolbarOrigin.y() + toolbarHeight + layerPanelGap,
        layerPanelW, layerPanelH };
}

QRectF sortButtonRect(int index)
{
    const double rowWidth = sortIconCount * sortIconSize + (sortIconCount - 1) * sortIconSpacing;
    return { (layerPanelW - rowWidth) / 2 + index * (sortIconSize + sortIconSpacing), sortIconTop, sortIconSize,
        sortIconSize };
}

QList<Layer> layersTopFirst(const QList<Layer>& layers)
{
    QList<qsizetype> order(layers.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
        return layers[a].zIndex != layers[b].zIndex ? layers[a].zIndex > layers[b].zIndex : a > b;
    });
    QList<Layer> sorted;
    sorted.reserve(layers.size());
    for (const qsizetype index : order)
        sorted.append(layers[index]);
    return sorted;
}

QRectF layerRowRect(int row, double offset)
{
    return { layerList.x(), layerList.y() + row * rowPitch - offset, layerList.width(), layerRowH };
}

int layerRowAt(QPointF point, double offset, qsizetype rowCount)
{
    if (!layerList.contains(point))
        return -1;
    const auto row = qsizetype(std::floor((point.y() - layerList.y() + offset + layerRowSpacing / 2) / rowPitch));
    return row >= 0 && row < rowCount ? int(row) : -1;
}

double maxLayerScroll(qsizetype layerCount)
{
    const auto n = double(layerCount);
    return std::max(0.0, n * layerRowH + (std::max(n, 1.0) - 1) * layerRowSpacing - layerList.height());
}

double clampedLayerScroll(double offset, qsizetype layerCount)
{
    return std::clamp(offset, 0.0, maxLayerScroll(layerCount));
}

double wheelScrolledOffset(double offset, double delta, qsizetype layerCount)
{
    return clampedLayerScroll(offset - delta, layerCount);
}

double thumbDragBase(double offset, qsizetype layerCount)
{
    const double maximum = maxLayerScroll(layerCount);
    return maximum > 0 ? offset / maximum * thumbTravel : 0;
}

QRectF layerThumbRect(double offset, qsizetype layerCount)
{
    const double centre = scrollTrack.top() + scrollThumbH / 2 + 5 + thumbDragBase(offset, layerCount);
    return { scrollTrack.center().x() - scrollThumbW / 2, centre - scrollThumbH / 2, scrollThumbW, scrollThumbH };
}

double thumbDraggedOffset(double base, double translation, qsizetype layerCount)
{
    const double maximum = maxLayerScroll(layerCount);
    if (maximum <= 0 || thumbTravel <= 0)
        return 0;
    return std::clamp(base + translation, 0.0, thumbTravel) / thumbTravel * maximum;
}

QRectF clearButtonRect(double cardHeight)
{
    const double bottom = saveMenuTop(cardHeight);
    return { buttonPairCentre - buttonPairGap / 2 - saveBtnW, bottom - saveBtnH, saveBtnW, saveBtnH };
}

QRectF saveButtonRect(double cardHeight)
{
    const double bottom = saveMenuTop(cardHeight);
    return { buttonPairCentre + buttonPairGap / 2, bottom - saveBtnH, saveBtnW, saveBtnH };
}

QRectF rotateMenuRect()
{
    return { rotateMenuCentre - QPointF(rotateMenuSize.width(), rotateMenuSize.height()) / 2, rotateMenuSize };
}

QRectF rotateMenuRow(int index)
{
    const QRectF menu = rotateMenuRect();
    return { menu.left(), menu.top() + rotateMenuPadding + index * rotateRowH, menu.width(), rotateRowH };
}

QRectF saveMenuRect(double cardHeight)
{
    return { saveBtnW / 2 + 87.5 - saveMenuSize.width() / 2, saveMenuTop(cardHeight), saveMenuSize.width(),
        saveMenuSize.height() };
}

QRectF saveMenuRow(int index, double cardHeight)
{
    const QRectF menu = saveMenuRect(cardHeight);
    const double rowsTop = menu.top() + (menu.height() - double(saveRows.size()) * saveRowH) / 2;
    return { menu.left() + 1, rowsTop + index * saveRowH, menu.width() - 2, saveRowH };
}

QRectF clearDialogRect(QSizeF card)
{
    // Whole points, so the double outline stays crisp.
    const double width = ConfirmationDialogFrame::outerWidth;
    const double height = ConfirmationDialogFrame::outerHeight;
    return { std::floor((card.width() - width) / 2), std::floor((card.height() - height) / 2), width, height };
}

QRectF clearMessageRect()
{
    const double group = clearMessageHeight + clearButtonGap + ScrapwickDialogButtonStyle::size.height();
    return { 0, (ConfirmationDialogFrame::outerHeight - group) / 2, ConfirmationDialogFrame::outerWidth,
        clearMessageHeight };
}

QRectF clearDialogButton(int index)
{
    const QRectF message = clearMessageRect();
    const QSizeF size = ScrapwickDialogButtonStyle::size;
    const double left = message.center().x() + (index == 0 ? -clearButtonGap / 2 - size.width() : clearButtonGap / 2);
    return { left, message.bottom() + clearButtonGap, size.width(), size.height() };
}

QPointF toastCentre(QSizeF card)
{
    return { CanvasViewport::frameLeft + (card.width() - CanvasViewport::frameWidthLoss) / 2,
        CanvasViewport::frameTop + (card.height() - CanvasViewport::frameHeightLoss) / 2 };
}

} // namespace MoodBoardSideLayout
