#pragma once

#include <QRectF>
#include <QString>
#include <QWidget>

class QPainter;
class Theme;

// The white 28-point title bar that the borderless windows draw themselves:
// a striped image across it, a white box behind the centred title, and two
// 16 x 16 buttons on gray squares, minimise at the left and close at the right.
struct TitleBarStyle {
    QString title;
    QString stripeImage;
    bool stripeTiled = false; // otherwise stretched
    qreal titleBoxWidth = 149;
    // Distance from the right edge to the close button's centre.
    qreal closeCentreFromRight = 24;

    [[nodiscard]] static TitleBarStyle ideaGallery();
    [[nodiscard]] static TitleBarStyle moodBoard();
};

class WindowTitleBar : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal height = 28;
    static constexpr qreal buttonSide = 16;
    static constexpr qreal stripeHeight = 16;
    static constexpr qreal titleBoxHeight = 26;
    static constexpr qreal titleSize = 20;

    enum class Button { none, minimize, close };

    // Geometry in the bar's own coordinates for a bar `width` points wide.
    [[nodiscard]] static QRectF minimizeButtonRect(const TitleBarStyle& style, qreal width);
    [[nodiscard]] static QRectF closeButtonRect(const TitleBarStyle& style, qreal width);
    [[nodiscard]] static QRectF stripeRect(qreal width);
    [[nodiscard]] static Button buttonAt(const TitleBarStyle& style, qreal width, QPointF point);

    // Draws the bar into the `width` x 28 area at the painter's origin.
    static void paint(QPainter& painter, const Theme& theme, const TitleBarStyle& style, qreal width);

    WindowTitleBar(const Theme& theme, TitleBarStyle style, QWidget* parent = nullptr);

signals:
    void minimizeClicked();
    void closeClicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const Theme& m_theme;
    TitleBarStyle m_style;
    Button m_pressed = Button::none;
};
