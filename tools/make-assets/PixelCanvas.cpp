#include "PixelCanvas.h"

#include <QFont>
#include <QPainter>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

PixelCanvas::PixelCanvas(int width, int height)
    : m_image(width, height, QImage::Format_ARGB32)
{
    m_image.fill(Qt::transparent);
}

PixelCanvas PixelCanvas::fromRows(const QStringList& rows)
{
    int width = 0;
    for (const QString& row : rows)
        width = std::max(width, int(row.size()));
    PixelCanvas canvas(width, int(rows.size()));
    for (int y = 0; y < rows.size(); ++y) {
        for (int x = 0; x < rows[y].size(); ++x) {
            const QChar c = rows[y][x];
            if (c == u'#')
                canvas.set(x, y, Qt::black);
            else if (c == u'w')
                canvas.set(x, y, Qt::white);
        }
    }
    return canvas;
}

void PixelCanvas::set(int x, int y, QColor colour)
{
    if (x >= 0 && y >= 0 && x < width() && y < height())
        m_image.setPixelColor(x, y, colour);
}

void PixelCanvas::fill(int x, int y, int w, int h, QColor colour)
{
    for (int j = y; j < y + h; ++j)
        for (int i = x; i < x + w; ++i)
            set(i, j, colour);
}

void PixelCanvas::outline(int x, int y, int w, int h, QColor colour, int thickness)
{
    fill(x, y, w, thickness, colour);
    fill(x, y + h - thickness, w, thickness, colour);
    fill(x, y, thickness, h, colour);
    fill(x + w - thickness, y, thickness, h, colour);
}

void PixelCanvas::line(QPoint from, QPoint to, QColor colour, int thickness)
{
    // Bresenham, with a square brush for thicker lines.
    int x0 = from.x(), y0 = from.y();
    const int dx = std::abs(to.x() - x0), sx = x0 < to.x() ? 1 : -1;
    const int dy = -std::abs(to.y() - y0), sy = y0 < to.y() ? 1 : -1;
    int err = dx + dy;
    while (true) {
        fill(x0, y0, thickness, thickness, colour);
        if (x0 == to.x() && y0 == to.y())
            break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void PixelCanvas::circle(QPointF centre, double radius, QColor colour, double fromDeg, double toDeg)
{
    // Sample the ring densely and keep the pixel under each sample: for the
    // small radii used here this gives the same one-pixel ring as the midpoint
    // algorithm, and arcs come for free.
    const int steps = std::max(64, int(radius * 32));
    for (int i = 0; i <= steps; ++i) {
        const double deg = fromDeg + (toDeg - fromDeg) * i / steps;
        const double rad = deg * std::numbers::pi / 180.0;
        const double x = centre.x() + radius * std::cos(rad);
        const double y = centre.y() - radius * std::sin(rad);
        set(int(std::floor(x)), int(std::floor(y)), colour);
    }
}

void PixelCanvas::disc(QPointF centre, double radius, QColor colour)
{
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x) {
            const double dx = x + 0.5 - centre.x(), dy = y + 0.5 - centre.y();
            if (dx * dx + dy * dy <= radius * radius)
                set(x, y, colour);
        }
}

void PixelCanvas::blit(const PixelCanvas& other, int x, int y)
{
    for (int j = 0; j < other.height(); ++j)
        for (int i = 0; i < other.width(); ++i) {
            const QColor c = other.m_image.pixelColor(i, j);
            if (c.alpha() > 0)
                set(x + i, y + j, c);
        }
}

void PixelCanvas::text(int x, int baseline, const QString& text, const QString& family, int pixelSize, QColor colour)
{
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setStyleStrategy(QFont::NoAntialias);
    font.setHintingPreference(QFont::PreferNoHinting);
    QPainter painter(&m_image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(x, baseline, text);
}

void PixelCanvas::halo(QColor colour)
{
    const QImage before = m_image;
    for (int y = 0; y < height(); ++y)
        for (int x = 0; x < width(); ++x) {
            if (before.pixelColor(x, y).alpha() != 0)
                continue;
            bool nearInk = false;
            for (int dy = -1; dy <= 1 && !nearInk; ++dy)
                for (int dx = -1; dx <= 1 && !nearInk; ++dx) {
                    const int nx = x + dx, ny = y + dy;
                    nearInk = nx >= 0 && ny >= 0 && nx < width() && ny < height()
                        && before.pixelColor(nx, ny) == QColor(Qt::black);
                }
            if (nearInk)
                set(x, y, colour);
        }
}

PixelCanvas PixelCanvas::mirroredHorizontally() const
{
    PixelCanvas out(width(), height());
    out.m_image = m_image.mirrored(true, false);
    return out;
}

PixelCanvas PixelCanvas::mirroredVertically() const
{
    PixelCanvas out(width(), height());
    out.m_image = m_image.mirrored(false, true);
    return out;
}

PixelCanvas PixelCanvas::rotated90() const
{
    PixelCanvas out(height(), width());
    out.m_image = m_image.transformed(QTransform().rotate(90));
    return out;
}

PixelCanvas PixelCanvas::scaled(int factor) const
{
    PixelCanvas out(width() * factor, height() * factor);
    out.m_image = m_image.scaled(width() * factor, height() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    return out;
}
