#pragma once

#include <QAbstractButton>

class Theme;

// A row of the rotate menu: its template image, pixel for pixel, black on
// the menu's white, or white on black while the pointer is over the row.
class RotateMenuItemView : public QAbstractButton {
    Q_OBJECT

public:
    RotateMenuItemView(const Theme& theme, const QString& assetName, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    const Theme& m_theme;
    QString m_assetName;
    bool m_isHovered = false;
};
