#include "PhotoLikeImages.h"

#include "platform/Uuids.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QUuid>

#include <cmath>
#include <cstdint>

namespace PhotoLikeImages {

namespace {
QImage photoLike(int width, int height, uint32_t seed)
{
    QImage image(width, height, QImage::Format_RGB32);
    uint32_t noise = seed * 2654435761u + 1;
    const double phase = seed * 0.7;
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const double u = double(x) / width, v = double(y) / height;
            // Broad lighting and a few soft shapes, like a defocused scene.
            const double base = 0.5 + 0.25 * std::sin(3.1 * u + phase) * std::cos(2.3 * v - phase)
                + 0.15 * std::sin(9.0 * (u + v) + phase * 2);
            noise = noise * 1664525u + 1013904223u; // sensor noise
            const auto channel = [&](double tint, int shift) {
                const int n = int((noise >> shift) & 15) - 8;
                return std::clamp(int(255 * base * tint) + n, 0, 255);
            };
            line[x] = qRgb(channel(1.0, 8), channel(0.85 + 0.1 * u, 14), channel(0.7 + 0.2 * v, 20));
        }
    }
    return image;
}
} // namespace

QStringList make(const QString& folder, int count, int width, int height)
{
    QDir().mkpath(folder);
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        const QUuid id = QUuid::createUuidV5(QUuid(), QStringLiteral("photo-%1").arg(i));
        const QString path = QDir(folder).filePath(Uuids::canonicalText(id) + QStringLiteral(".png"));
        if (!QFileInfo(path).isFile() || QFileInfo(path).size() == 0)
            photoLike(width, height, uint32_t(i + 1)).save(path, "PNG");
        paths << path;
    }
    return paths;
}

} // namespace PhotoLikeImages
