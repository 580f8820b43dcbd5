#pragma once

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QUuid>

// Files and images made on the test side, so expected bytes and pixels are known
// exactly; ids spelled the way the stores name files.
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

inline QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Creates the folders on the way; false when the bytes could not all be written.
inline bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

inline QString upperId(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// "<folder>/<ID>.png", as both stores name image files.
inline QString pngIn(const QString& folder, const QUuid& id)
{
    return folder + QLatin1Char('/') + upperId(id) + QStringLiteral(".png");
}
