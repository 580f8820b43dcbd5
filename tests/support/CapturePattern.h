#pragma once

#include <QImage>
#include <QRgb>

// The picture the pattern window shows: every pixel a different colour that
// encodes its own position, so a captured pixel tells where it came from.
namespace CapturePattern {
inline QRgb colourAt(int x, int y)
{
    return qRgb(x & 0xff, y & 0xff, 0x80 | ((x >> 8) & 7) << 3 | ((y >> 8) & 7));
}

// The window position a pattern colour came from.
inline QPoint positionOf(QRgb colour)
{
    const int b = qBlue(colour);
    return { ((b >> 3) & 7) << 8 | qRed(colour), (b & 7) << 8 | qGreen(colour) };
}

inline QImage image(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colourAt(x, y));
    return image;
}
} // namespace CapturePattern
