#include "capture/CropOverlayView.h"

#include "capture/LassoSmoothing.h"
#include "capture/ShapeRecognition.h"
#include "platform/UserDefaults.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
const QString shapeRecognitionKey = QStringLiteral("shapeRecognition.enabled");

QPen strokePen(const QColor& colour, bool dashed)
{
    constexpr double width = 1.5;
    QPen pen(colour, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    if (dashed)
        pen.setDashPattern({ 6.0 / width, 4.0 / width }); // Qt counts dashes in pen widths
    return pen;
}
} // namespace

CropOverlayView::CropOverlayView(
    UserDefaults& defaults, CapturePipeline pipeline, CaptureScreen screen, QWidget* parent)
    : QWidget(parent)
    , m_defaults(defaults)
    , m_pipeline(std::move(pipeline))
    , m_screen(std::move(screen))
{
    m_animationTimer.setTimerType(Qt::PreciseTimer);
    m_animationTimer.setInterval(1000 / SnapAnimation::framesPerSecond);
    connect(&m_animationTimer, &QTimer::timeout, this, &CropOverlayView::animationTick);
}

void CropOverlayView::resetDrawing()
{
    // A snap still gliding would otherwise start a capture after crop mode ended.
    m_animationTimer.stop();
    m_snap.reset();
    m_displayPath.reset();
    m_stroke.clear();
    m_smoothedPath.reset();
    m_isDrawing = false;
    update();
}

QPointF CropOverlayView::overlayPoint(QPointF widgetPosition) const
{
    return { widgetPosition.x(), height() - widgetPosition.y() };
}

void CropOverlayView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore(); // a right click reaches the window, which leaves crop mode
        return;
    }
    m_stroke.begin(overlayPoint(event->position()));
    m_isDrawing = true;
    update();
}

void CropOverlayView::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton) || m_stroke.isEmpty())
        return;
    if (m_stroke.extend(overlayPoint(event->position())))
        update();
}

void CropOverlayView::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    if (m_stroke.size() < LassoStroke::minimumPointsOnRelease) {
        m_stroke.clear();
        update();
        return;
    }
    finishLasso();
}

void CropOverlayView::finishLasso()
{
    if (m_stroke.size() < LassoStroke::minimumPointsForLasso) {
        m_stroke.clear();
        update();
        return;
    }
    const QPainterPath smoothed = LassoSmoothing::makeSmoothedPath(m_stroke.points(), LassoSmoothing::outlineSpacing);

    // Read at every release, so the menu toggle applies to the next lasso.
    if (m_defaults.boolForKey(shapeRecognitionKey) && m_stroke.size() >= 4) {
        if (const auto rect = ShapeRecognition::detectRectangle(m_stroke.points())) {
            m_smoothedPath.reset();
            m_isDrawing = false;
            startSnap(SnapKind::rectangle, *rect);
            return;
        }
        if (const auto rect = ShapeRecognition::detectEllipse(m_stroke.points())) {
            m_smoothedPath.reset();
            m_isDrawing = false;
            startSnap(SnapKind::ellipse, *rect);
            return;
        }
    }
    m_smoothedPath = smoothed;
    m_isDrawing = false;
    update();
    startCapture();
}

void CropOverlayView::startSnap(SnapKind kind, const QRectF& rect)
{
    m_snapKind = kind;
    m_snap.emplace(kind, m_stroke.points(), rect);
    m_animationTimer.stop();
    m_animationClock.start();
    m_animationTimer.start();
}

void CropOverlayView::animationTick()
{
    if (!m_snap)
        return;
    const double t = SnapAnimation::progress(double(m_animationClock.nsecsElapsed()) / 1e9);
    m_displayPath = m_snap->framePath(t);
    update();
    if (t < 1)
        return;

    m_animationTimer.stop();
    m_displayPath.reset();
    if (m_snap->kind() == SnapKind::rectangle)
        m_stroke.replace(m_snap->rectangleCorners());
    m_smoothedPath = m_snap->finalOutline();
    m_snap.reset();
    m_isDrawing = false;
    update();
    startCapture();
}

void CropOverlayView::startCapture()
{
    std::optional<QPainterPath> lasso = std::move(m_smoothedPath);

    m_stroke.clear();
    m_smoothedPath.reset();
    m_isDrawing = false;
    update();
    emit captureStarted(lasso);

    m_pipeline.startCapture(window(), std::move(lasso), m_screen);
}

void CropOverlayView::hideEvent(QHideEvent*)
{
    // Hidden means the crop mode is over (the next one makes a new overlay);
    // a capture under way holds its own reference to the picture.
    m_screen.frozen = QImage();
}

void CropOverlayView::paintEvent(QPaintEvent*)
{
    const QPainterPath* path = nullptr;
    QPainterPath live;
    bool dashed = true;
    if (m_isDrawing) {
        if (m_stroke.size() < 2)
            return;
        live = LassoSmoothing::liveStrokePath(m_stroke.points());
        path = &live;
    } else if (m_displayPath) {
        path = &*m_displayPath;
    } else if (m_smoothedPath) {
        path = &*m_smoothedPath;
        dashed = false;
    } else {
        return;
    }

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Overlay coordinates have y upwards.
    painter.translate(0, height());
    painter.scale(1, -1);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(strokePen(dashed ? QColor::fromRgbF(0.67f, 0.67f, 0.67f) : QColor(Qt::black), dashed));
    painter.drawPath(*path);
}
