#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QString>
#include <QStringList>

// A small pixel-art drawing surface: every operation sets whole pixels, black,
// white or clear, so the images stay crisp when scaled by whole factors.
class PixelCanvas {
public:
    PixelCanvas(int width, int height);

    // Rows of characters: '#' black, 'w' white, anything else clear.
    static PixelCanvas fromRows(const QStringList& rows);

    void set(int x, int y, QColor colour);
    void fill(int x, int y, int w, int h, QColor colour);
    void outline(int x, int y, int w, int h, QColor colour, int thickness = 1);
    void line(QPoint from, QPoint to, QColor colour, int thickness = 1);
    // A ring of the given radius in whole pixels (midpoint algorithm), or only
    // the part whose angle (degrees, 0 = right, counter-clockwise, y up) lies
    // in [fromDeg, toDeg].
    void circle(QPointF centre, double radius, QColor colour, double fromDeg = 0, double toDeg = 360);
    void disc(QPointF centre, double radius, QColor colour);
    void blit(const PixelCanvas& other, int x, int y);
    // Text in a pixel font at its native size, without smoothing.
    void text(int x, int baseline, const QString& text, const QString& family, int pixelSize, QColor colour);
    // Every clear pixel next to a black one takes `colour`: a one-pixel rim.
    void halo(QColor colour);

    [[nodiscard]] int width() const { return m_image.width(); }
    [[nodiscard]] int height() const { return m_image.height(); }
    [[nodiscard]] const QImage& image() const { return m_image; }
    [[nodiscard]] PixelCanvas mirroredHorizontally() const;
    [[nodiscard]] PixelCanvas mirroredVertically() const;
    [[nodiscard]] PixelCanvas rotated90() const;
    [[nodiscard]] PixelCanvas scaled(int factor) const;

private:
    QImage m_image;
};
