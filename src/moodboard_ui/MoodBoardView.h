#pragma once

#include "ui/WindowTitleBar.h"

#include <QWidget>

#include <functional>

class Theme;

// The board's drawn frame: a black outline around the white card, the card's
// title bar ("MoodBoard", minimise at the left, close at the right) and the
// rule under it. The canvas fills the rest of the card.
class MoodBoardView : public QWidget {
    Q_OBJECT

public:
    MoodBoardView(
        const Theme& theme, std::function<void()> onClose, std::function<void()> onMinimize, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // The title-bar button under `point` (view coordinates): the card sits one
    // point inside the view.
    [[nodiscard]] WindowTitleBar::Button buttonAt(QPointF point) const;

    const Theme& m_theme;
    std::function<void()> m_onClose;
    std::function<void()> m_onMinimize;
    WindowTitleBar::Button m_pressed = WindowTitleBar::Button::none;
};
