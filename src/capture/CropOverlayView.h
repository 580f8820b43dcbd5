#pragma once

#include "capture/CapturePipeline.h"
#include "capture/LassoStroke.h"
#include "capture/SnapAnimation.h"

#include <QElapsedTimer>
#include <QPainterPath>
#include <QTimer>
#include <QWidget>

#include <optional>

class UserDefaults;

// Records the lasso, draws it, smooths it on release, snaps recognised shapes
// and starts the capture. Points are kept in overlay coordinates (origin at the
// bottom left of the screen it covers, y upwards); Qt's positions are converted as
// they arrive and the painter flips back when drawing.
class CropOverlayView : public QWidget {
    Q_OBJECT

public:
    using SnapKind = SnapAnimation::SnapKind;

    // `screen` is the screen under the overlay, as the capture uses it.
    CropOverlayView(UserDefaults& defaults, CapturePipeline pipeline, CaptureScreen screen, QWidget* parent = nullptr);

    // Forgets the stroke, any outline and any running snap (crop mode ended).
    void resetDrawing();

    [[nodiscard]] const QList<QPointF>& points() const { return m_stroke.points(); }
    [[nodiscard]] bool isDrawing() const { return m_isDrawing; }
    [[nodiscard]] const std::optional<QPainterPath>& smoothedPath() const { return m_smoothedPath; }
    [[nodiscard]] const std::optional<QPainterPath>& displayPath() const { return m_displayPath; }
    [[nodiscard]] SnapKind snapKind() const { return m_snapKind; }
    [[nodiscard]] bool isSnapping() const { return m_animationTimer.isActive(); }

Q_SIGNALS:
    // The final lasso has been handed to the capture (absent when none was left).
    void captureStarted(const std::optional<QPainterPath>& lasso);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    [[nodiscard]] QPointF overlayPoint(QPointF widgetPosition) const;
    void finishLasso();
    void startSnap(SnapKind kind, const QRectF& rect);
    void animationTick();
    void startCapture();

    UserDefaults& m_defaults;
    CapturePipeline m_pipeline;
    CaptureScreen m_screen;
    LassoStroke m_stroke;
    bool m_isDrawing = false;
    std::optional<QPainterPath> m_smoothedPath;
    SnapKind m_snapKind = SnapKind::rectangle;
    std::optional<QPainterPath> m_displayPath;
    std::optional<SnapAnimation> m_snap;
    QTimer m_animationTimer;
    QElapsedTimer m_animationClock;
};
