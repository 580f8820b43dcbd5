#pragma once

#include "moodboard_ui/MoodBoardSideLayout.h"
#include "platform/PlatformServices.h"
#include "ui/WindowTitleBar.h"

#include <QWidget>

#include <functional>

class CanvasExport;
class CanvasStore;
class ClearConfirmDialog;
class FlashButton;
class GalleryStore;
class LayerPanel;
class MenuItemRow;
class MoodBoardCanvasView;
class MoodBoardToolbar;
class MoodBoardViewState;
class PopupLayer;
class RotateMenuItemView;
class Theme;
class ToastPresenter;
class ToastView;

// The board: a black outline around the white card, the card's title bar
// ("MoodBoard", minimise at the left, close at the right) and the rule under
// it; the left column (toolbar, layer panel, clear and save buttons); the
// canvas frame on the right; and over the card the rotate menu, the save
// menu, the clear confirmation and the toasts. Every control here is one call
// on the canvas store or a change of the board's own pop-ups.
class MoodBoardView : public QWidget {
    Q_OBJECT

public:
    MoodBoardView(const Theme& theme, MoodBoardViewState& viewState, CanvasStore& canvasStore,
        GalleryStore& galleryStore, const PlatformServices& services, std::function<void()> onClose,
        std::function<void()> onMinimize, QWidget* parent = nullptr);
    ~MoodBoardView() override;

    [[nodiscard]] MoodBoardCanvasView& canvas() const { return *m_canvas; }
    [[nodiscard]] ToastPresenter& toasts() const { return *m_toasts; }
    [[nodiscard]] bool isRotateMenuOpen() const;
    [[nodiscard]] bool isSaveMenuOpen() const;
    [[nodiscard]] bool isClearConfirmOpen() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void buildPopups();
    void toolbarTriggered(MoodBoardSideLayout::ToolbarItem item);
    void stackingClicked(int index);
    void saveClicked();
    void clearClicked();
    void openPopup(PopupLayer& popup);
    void closePopups();
    // Brings every control in line with the store and the pop-ups.
    void refresh();
    void relayout();
    // The title-bar button under `point` (view coordinates): the card sits one
    // point inside the view.
    [[nodiscard]] WindowTitleBar::Button buttonAt(QPointF point) const;

    const Theme& m_theme;
    MoodBoardViewState& m_viewState;
    CanvasStore& m_store;
    std::function<void()> m_onClose;
    std::function<void()> m_onMinimize;
    WindowTitleBar::Button m_pressed = WindowTitleBar::Button::none;
    bool m_shownBefore = false;

    // Children, back to front.
    MoodBoardCanvasView* m_canvas;
    MoodBoardToolbar* m_toolbar;
    LayerPanel* m_layerPanel;
    FlashButton* m_clearButton;
    FlashButton* m_saveButton;
    ToastPresenter* m_toasts;
    ToastView* m_toastView;
    CanvasExport* m_export;
    PopupLayer* m_rotateMenu = nullptr;
    QList<RotateMenuItemView*> m_rotateRows;
    PopupLayer* m_saveMenu = nullptr;
    QList<MenuItemRow*> m_saveRows;
    PopupLayer* m_clearConfirm = nullptr;
    ClearConfirmDialog* m_clearDialog = nullptr;
};
