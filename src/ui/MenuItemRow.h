#pragma once

#include <QAbstractButton>

class Theme;

// One row of the pop-up menus: the label in the title font, left-aligned after
// a leading padding, on white; while the pointer is over an enabled row it
// inverts to white on black. A disabled row shows its label in gray, never
// highlights and never reacts.
class MenuItemRow : public QAbstractButton {
    Q_OBJECT

public:
    // The gallery's menus use 13-point text, 12 points of padding and 20-point
    // rows; the mood board's save menu 11-point text and 10 points of padding.
    MenuItemRow(const Theme& theme, const QString& label, qreal fontSize = 13, qreal leadingPadding = 12,
        qreal rowHeight = 20, QWidget* parent = nullptr);

    [[nodiscard]] bool isHovering() const { return m_isHovering; }
    [[nodiscard]] qreal rowHeight() const { return m_rowHeight; }
    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    const Theme& m_theme;
    qreal m_leadingPadding;
    qreal m_rowHeight;
    bool m_isHovering = false;
};
