#pragma once

#include <QAbstractButton>
#include <QRectF>
#include <QSizeF>

class QPainter;
class Theme;

// The look of the confirmation dialogs' buttons: the label in the title font
// at 14 points in a 77 x 26 box with corner radius 6 and a black one-point
// outline; black on white, inverted while pressed, with no animation.
class ScrapwickDialogButtonStyle {
public:
    static constexpr QSizeF size { 77, 26 };
    static constexpr qreal cornerRadius = 6;
    static constexpr qreal labelSize = 14;

    static void paint(QPainter& painter, const QRectF& box, const QString& label, bool pressed, const Theme& theme);
};

// A push button drawn in that style.
class ScrapwickDialogButton : public QAbstractButton {
    Q_OBJECT

public:
    ScrapwickDialogButton(const Theme& theme, const QString& label, QWidget* parent = nullptr);

    [[nodiscard]] QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
};
