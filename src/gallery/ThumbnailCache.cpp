#include "gallery/ThumbnailCache.h"

ThumbnailCache::ThumbnailCache(int maximumCount)
    : m_images(maximumCount)
{
}

std::optional<QImage> ThumbnailCache::find(const QString& key)
{
    std::lock_guard lock(m_mutex);
    // QCache::object also marks the entry as recently used, hence the lock even for reads.
    if (const QImage* image = m_images.object(key))
        return *image;
    return std::nullopt;
}

void ThumbnailCache::insert(const QString& key, const QImage& image)
{
    std::lock_guard lock(m_mutex);
    m_images.insert(key, new QImage(image), 1);
}
