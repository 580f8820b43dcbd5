#pragma once

#include <QAbstractButton>
#include <QPointF>

class QPainter;
class Theme;
struct ThemePalette;

// The rounded checkbox of the gallery's tabs, its "Select" toggle, selected
// cells and the delete dialog: a 14 x 14 white square with corner radius 3.5
// and a 0.88-point black outline; when on, a black 8.75 x 8.75 square with
// corner radius 1.75 in its middle.
class Checkbox : public QAbstractButton {
    Q_OBJECT

public:
    static constexpr qreal side = 14.0;
    static constexpr qreal cornerRadius = 3.5;
    static constexpr qreal outlineWidth = 0.88;
    static constexpr qreal markSide = 8.75;
    static constexpr qreal markCornerRadius = 1.75;

    // Draws the box with its top-left corner at `topLeft`.
    static void paint(QPainter& painter, QPointF topLeft, bool on, const ThemePalette& palette);

    // A checkable box followed by an optional label: `spacing` points between
    // them, the label in the small-label font at `labelSize`, raised by
    // `labelRaise` points. The whole row is the tap target.
    Checkbox(const Theme& theme, const QString& label, qreal labelSize = 14, qreal spacing = 10, qreal labelRaise = 0,
        QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    [[nodiscard]] bool hitButton(const QPoint& pos) const override;

private:
    const Theme& m_theme;
    qreal m_spacing;
    qreal m_labelRaise;
};
