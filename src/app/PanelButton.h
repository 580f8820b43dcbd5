#pragma once

#include <QPointF>
#include <QRectF>
#include <QSizeF>

#include <functional>

class QPainter;
struct ThemePalette;

// One of the floating panel's three buttons: a face of `width` x `height`
// points, white with a black one-point outline (black when selected), over a
// black hard shadow 3 points down and to the right. Its frame, face plus
// shadow, is the whole tap target. It has no state of its own beyond what it
// is given: the panel sets `isSelected` from notifications.
class PanelButton {
public:
    static constexpr qreal shadowOffset = 3;

    using Content = std::function<void(QPainter& painter, const QRectF& face, bool isSelected)>;

    PanelButton(qreal width, qreal height, QPointF frameCentre, std::function<void()> action, Content content);

    qreal width;
    qreal height;
    bool isSelected = false;
    std::function<void()> action;
    Content content;

    // (width + 3) x (height + 3), centred on the position the layout gives.
    [[nodiscard]] QRectF frame() const;
    [[nodiscard]] QRectF face() const;
    [[nodiscard]] bool contains(QPointF point) const { return frame().contains(point); }
    void tap() const;

    void paint(QPainter& painter, const ThemePalette& palette) const;

private:
    QPointF m_frameCentre;
};
