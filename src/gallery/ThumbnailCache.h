#pragma once

#include <QCache>
#include <QImage>
#include <QString>

#include <mutex>
#include <optional>

// Decoded thumbnails by the item id's canonical text, shared between the main
// thread (lookups) and the decoding threads (inserts). Holds at most
// `maximumCount` images and drops the least recently used first.
class ThumbnailCache {
public:
    explicit ThumbnailCache(int maximumCount);

    [[nodiscard]] std::optional<QImage> find(const QString& key);
    void insert(const QString& key, const QImage& image);

private:
    mutable std::mutex m_mutex;
    QCache<QString, QImage> m_images;
};
