#pragma once

#include <QColor>
#include <QRectF>
#include <QWidget>

#include <functional>

class Theme;

// What a pop-up lies on: a layer over the window's card (its owner places
// it), painted with `backdrop` (nearly transparent for menus, so that it still catches clicks;
// dimmed for dialogs), that calls `onDismiss` when pressed outside the
// pop-up's own rectangle. With `drawsPanel`, the pop-up is a white panel with
// a black one-point outline; its rows or buttons are child widgets.
class PopupLayer : public QWidget {
    Q_OBJECT

public:
    PopupLayer(const Theme& theme, QColor backdrop, bool drawsPanel, std::function<void()> onDismiss,
        QWidget* parent = nullptr);

    // In the layer's own coordinates.
    void setPopupRect(const QRectF& rect);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The pop-up as drawn and hit: a press counts as inside up to, not on,
    // its right and bottom edges.
    [[nodiscard]] QRectF panelRect() const;

    const Theme& m_theme;
    QColor m_backdrop;
    bool m_drawsPanel;
    std::function<void()> m_onDismiss;
    QRectF m_popupRect;
};
