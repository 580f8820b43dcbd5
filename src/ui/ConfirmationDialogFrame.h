#pragma once

#include <QRectF>
#include <QWidget>

class QPainter;
class QVBoxLayout;
class Theme;

// The frame of the confirmation dialogs: a white 400 x 126 box with a black
// one-point outline and, centred inside it, a 392 x 118 frame with a black
// two-point outline. The content goes into `contentLayout()`, which fills the
// inner frame.
class ConfirmationDialogFrame : public QWidget {
    Q_OBJECT

public:
    static constexpr qreal outerWidth = 400;
    static constexpr qreal outerHeight = 126;
    static constexpr qreal innerWidth = 392;
    static constexpr qreal innerHeight = 118;

    // Both outlines lie inside their boxes, so whole-point boxes stay crisp.
    static void paint(QPainter& painter, const QRectF& outer, const Theme& theme);
    [[nodiscard]] static QRectF innerRect(const QRectF& outer);

    explicit ConfirmationDialogFrame(const Theme& theme, QWidget* parent = nullptr);

    [[nodiscard]] QVBoxLayout* contentLayout() const { return m_layout; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const Theme& m_theme;
    QVBoxLayout* m_layout;
};
