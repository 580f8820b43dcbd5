#pragma once

#include "platform/PlatformServices.h"
#include "ui/WindowTitleBar.h"

#include <QWidget>

#include <functional>

class CanvasExport;
class CanvasStore;
class GalleryStore;
class MoodBoardCanvasView;
class MoodBoardViewState;
class Theme;

// The board's drawn frame: a black outline around the white card, the card's
// title bar ("MoodBoard", minimise at the left, close at the right) and the
// rule under it, and the canvas frame on the card's right.
class MoodBoardView : public QWidget {
    Q_OBJECT

public:
    MoodBoardView(const Theme& theme, MoodBoardViewState& viewState, CanvasStore& canvasStore,
        GalleryStore& galleryStore, const PlatformServices& services, std::function<void()> onClose,
        std::function<void()> onMinimize, QWidget* parent = nullptr);

    [[nodiscard]] MoodBoardCanvasView& canvas() const { return *m_canvas; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // The title-bar button under `point` (view coordinates): the card sits one
    // point inside the view.
    [[nodiscard]] WindowTitleBar::Button buttonAt(QPointF point) const;

    const Theme& m_theme;
    std::function<void()> m_onClose;
    std::function<void()> m_onMinimize;
    MoodBoardCanvasView* m_canvas; // child
    CanvasExport* m_export; // child
    WindowTitleBar::Button m_pressed = WindowTitleBar::Button::none;
};
