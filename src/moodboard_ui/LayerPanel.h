#pragma once

#include <QList>
#include <QPointF>
#include <QString>
#include <QUuid>
#include <QWidget>

#include <array>
#include <optional>

class FlashButton;
class Theme;

// The layer panel of the board's left column: four stacking buttons, then the
// layers top-most first, each row a selection mark and the layer's name, with
// a small scrollbar beside them. It shows what it is given and reports clicks;
// the board turns them into store calls.
class LayerPanel : public QWidget {
    Q_OBJECT

public:
    struct Row {
        QUuid id;
        QString name;
    };

    explicit LayerPanel(const Theme& theme, QWidget* parent = nullptr);

    // `rows` top-most first. The scroll offset is kept within the new range.
    void setRows(const QList<Row>& rows, const std::optional<QUuid>& selected);
    void setStackingEnabled(bool enabled);
    void setScrollOffset(double offset);
    // A wheel movement in points; positive scrolls towards the top of the list.
    void scrollBy(double delta);

Q_SIGNALS:
    // 0 forward, 1 backward, 2 to the top, 3 to the bottom.
    void stackingClicked(int index);
    void rowClicked(const QUuid& layerId);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    const Theme& m_theme;
    std::array<FlashButton*, 4> m_stacking {}; // children
    QList<Row> m_rows;
    std::optional<QUuid> m_selected;
    double m_offset = 0;

    enum class Press { none, row, thumb };
    Press m_press = Press::none;
    QPointF m_pressPoint;
    int m_pressedRow = -1;
    // Where the thumb was along its travel when its drag began; none until
    // the pointer has moved far enough for a drag.
    std::optional<double> m_thumbBase;
};
