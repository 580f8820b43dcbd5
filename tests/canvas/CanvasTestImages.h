#pragma once

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>

// PNG bytes made on the test side, so expected pixels are known exactly.
inline QByteArray pngOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

inline QByteArray solidPng(int width, int height, QColor color = Qt::red)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    return pngOf(image);
}

// Four quadrants: red top-left, green top-right, blue bottom-left, white
// bottom-right; any turn or mirror moves the colours somewhere else.
inline QByteArray quadrantPng(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    QPainter painter(&image);
    const int half = side / 2;
    painter.fillRect(0, 0, half, half, Qt::red);
    painter.fillRect(half, 0, side - half, half, Qt::green);
    painter.fillRect(0, half, half, side - half, Qt::blue);
    painter.fillRect(half, half, side - half, side - half, Qt::white);
    painter.end();
    return pngOf(image);
}
