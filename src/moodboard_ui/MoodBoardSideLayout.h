#pragma once

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <array>

struct Layer;

// The left column of the board card and the pop-ups over the card, as plain
// arithmetic apart from any widget. Card coordinates (the card sits one point
// inside the window) unless a function says otherwise; W x H is the card.
//
// The column: the toolbar at (34, 28), its top border on the title bar's rule
// and its first row of icons level with the canvas frame; the layer panel
// centred under it; the clear and save buttons side by side above the save
// menu, which drops down from the save button.
namespace MoodBoardSideLayout {

// ---- toolbar
enum class ToolbarItem { copy, layerOrder, rotate, remove, undo, redo };
inline constexpr int toolbarItemCount = 6;
inline constexpr std::array<const char*, toolbarItemCount> toolbarIcons { "icon-layer-copy", "icon-layer-order",
    "icon-rotate", "icon-delete", "icon-undo", "icon-redo" };
inline constexpr std::array<const char*, toolbarItemCount> toolbarTooltips { "Copy (Ctrl+D)", "Layer Order", "Rotate",
    "Delete (Del)", "Undo (Ctrl+Z)", "Redo (Ctrl+Shift+Z)" };

inline constexpr double toolbarBlockSize = 43;
inline constexpr double toolbarBlockInsetX = 7;
inline constexpr double toolbarBlockInsetY = 15;
inline constexpr double toolbarWidth = 99;
inline constexpr double toolbarTopBarHeight = 18;
inline constexpr QPointF toolbarOrigin { 34, 28 };
// The top bar, the icons' inset above and below them, and three rows of cells
// whose one-point borders overlap.
inline constexpr double toolbarHeight = toolbarTopBarHeight + 2 * toolbarBlockInsetY + 3 * toolbarBlockSize - 2;

[[nodiscard]] QRectF toolbarRect();
// Cells two to a row in `toolbarIcons` order; neighbours share their border.
[[nodiscard]] QRectF toolbarCell(ToolbarItem item);

// ---- layer panel (its own coordinates, from its top-left corner)
inline constexpr double layerPanelW = 85;
inline constexpr double layerPanelH = 130;
inline constexpr double layerPanelGap = 15; // under the toolbar
inline constexpr double sortIconSize = 14;
inline constexpr double sortIconSpacing = 5;
inline constexpr double sortIconTop = 7;
inline constexpr int sortIconCount = 4;
inline constexpr std::array<const char*, sortIconCount> sortIcons { "icon-layer-move-up", "icon-layer-move-down",
    "icon-layer-to-top", "icon-layer-to-bottom" };
inline constexpr double layerListGap = 8;
inline constexpr double layerRowH = 6.5;
inline constexpr double layerRowSpacing = 6.5;
inline constexpr double layerRadioSize = 7;
inline constexpr double layerRadioLeft = 1;
inline constexpr double layerRadioTextGap = 6;
inline constexpr QRectF layerList { layerRadioLeft, sortIconSize + sortIconTop + layerListGap + 5 + 5, 62, 81 };
inline constexpr double scrollTrackW = 7;
inline constexpr double scrollTrackRightInset = 10;
inline constexpr double scrollThumbW = 17;
inline constexpr double scrollThumbH = 8.07;
// The track reaches five points past both ends of the list, so the thumb,
// which keeps five points from the track's ends, travels along the list.
inline constexpr QRectF scrollTrack { layerPanelW - scrollTrackRightInset - scrollTrackW, 34, scrollTrackW, 91 };
inline constexpr double thumbTravel = scrollTrack.height() - scrollThumbH - 10;
// A thumb drag starts once the pointer has moved this far.
inline constexpr double thumbDragThreshold = 10;
// One wheel step scrolls the list by a row and its gap.
inline constexpr double wheelStepPoints = layerRowH + layerRowSpacing;

[[nodiscard]] QRectF layerPanelRect();
[[nodiscard]] QRectF sortButtonRect(int index);

// The layers as the list shows them: the top-most first (highest zIndex; of
// equal ones, the later in the list, which is drawn above).
[[nodiscard]] QList<Layer> layersTopFirst(const QList<Layer>& layers);
// Row `row` of the list scrolled by `offset`; rows outside the list's window
// are clipped away by the panel.
[[nodiscard]] QRectF layerRowRect(int row, double offset);
// The row whose click area (the row and half the gaps around it) holds
// `point`, within the list's window; -1 for none.
[[nodiscard]] int layerRowAt(QPointF point, double offset, qsizetype rowCount);
[[nodiscard]] double maxLayerScroll(qsizetype layerCount);
[[nodiscard]] double clampedLayerScroll(double offset, qsizetype layerCount);
// The offset after a wheel `delta` in points (positive: towards the top of the list).
[[nodiscard]] double wheelScrolledOffset(double offset, double delta, qsizetype layerCount);
[[nodiscard]] QRectF layerThumbRect(double offset, qsizetype layerCount);
// Where a thumb drag puts the thumb along its travel at its start.
[[nodiscard]] double thumbDragBase(double offset, qsizetype layerCount);
[[nodiscard]] double thumbDraggedOffset(double base, double translation, qsizetype layerCount);

// ---- save and clear buttons
inline constexpr double saveBtnW = 48.8;
inline constexpr double saveBtnH = 25.7;
[[nodiscard]] QRectF clearButtonRect(double cardHeight);
[[nodiscard]] QRectF saveButtonRect(double cardHeight);

// ---- pop-ups
inline constexpr QSizeF rotateMenuSize { 132, 86 };
inline constexpr QPointF rotateMenuCentre { 81, 147 };
inline constexpr double rotateMenuPadding = 7;
inline constexpr double rotateRowH = 18;
inline constexpr std::array<const char*, 4> rotateRows { "icon-rotate-right-row", "icon-rotate-left-row",
    "icon-flip-h-row", "icon-flip-v-row" };
[[nodiscard]] QRectF rotateMenuRect();
[[nodiscard]] QRectF rotateMenuRow(int index);

inline constexpr QSizeF saveMenuSize { 139, 66 };
inline constexpr double saveRowH = 20;
inline constexpr std::array<const char*, 3> saveRows { "Download", "Save to Collages", "Cancel" };
[[nodiscard]] QRectF saveMenuRect(double cardHeight);
// The three rows, centred in the menu inside its outline.
[[nodiscard]] QRectF saveMenuRow(int index, double cardHeight);

// The clear confirmation, centred on the card; inside it (its own
// coordinates) the question, and 16 points under it the two buttons side by
// side, centred together.
inline constexpr double clearMessageHeight = 18;
inline constexpr double clearButtonGap = 16;
[[nodiscard]] QRectF clearDialogRect(QSizeF card);
[[nodiscard]] QRectF clearMessageRect();
// 0: "Cancel", 1: "Clear".
[[nodiscard]] QRectF clearDialogButton(int index);

// The centre of the canvas frame, where toasts show.
[[nodiscard]] QPointF toastCentre(QSizeF card);

} // namespace MoodBoardSideLayout
