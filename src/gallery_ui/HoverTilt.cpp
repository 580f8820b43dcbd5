#include "gallery_ui/HoverTilt.h"

#include <QEasingCurve>
#include <QPointF>

#include <algorithm>

namespace {

// The standard ease-out curve, cubic-bezier(0, 0, 0.58, 1).
const QEasingCurve& easeOut()
{
    static const QEasingCurve curve = [] {
        QEasingCurve bezier(QEasingCurve::BezierSpline);
        bezier.addCubicBezierSegment(QPointF(0, 0), QPointF(0.58, 1), QPointF(1, 1));
        return bezier;
    }();
    return curve;
}

} // namespace

HoverTilt::HoverTilt(QObject* parent)
    : QObject(parent)
{
    m_clock.start();
    m_timer.setInterval(16);
    connect(&m_timer, &QTimer::timeout, this, &HoverTilt::tick);
}

void HoverTilt::setHovered(const std::optional<QUuid>& id, bool animated)
{
    if (id == m_hovered)
        return;
    const qint64 now = m_clock.elapsed();
    const auto retarget = [&](const QUuid& cell, qreal to) {
        const qreal from = progress(cell);
        if (animated)
            m_motions.insert(cell, Motion { from, to, now });
        else if (to > 0)
            m_motions.insert(cell, Motion { to, to, now - durationMs });
        else
            m_motions.remove(cell);
    };
    if (m_hovered)
        retarget(*m_hovered, 0);
    m_hovered = id;
    if (m_hovered)
        retarget(*m_hovered, 1);
    if (animated && !m_timer.isActive())
        m_timer.start();
    emit changed();
}

qreal HoverTilt::progress(const QUuid& id) const
{
    const auto found = m_motions.constFind(id);
    return found == m_motions.cend() ? 0 : valueOf(*found, m_clock.elapsed());
}

qreal HoverTilt::valueOf(const Motion& motion, qint64 nowMs) const
{
    const qreal t = std::clamp(qreal(nowMs - motion.startMs) / durationMs, 0.0, 1.0);
    return motion.from + (motion.to - motion.from) * easeOut().valueForProgress(t);
}

void HoverTilt::tick()
{
    const qint64 now = m_clock.elapsed();
    // Finished motions back at rest are forgotten; a finished lift stays.
    m_motions.removeIf(
        [&](const auto& entry) { return now - entry.value().startMs >= durationMs && entry.value().to == 0; });
    const bool running = std::any_of(
        m_motions.cbegin(), m_motions.cend(), [&](const Motion& motion) { return now - motion.startMs < durationMs; });
    if (!running)
        m_timer.stop();
    emit changed();
}
